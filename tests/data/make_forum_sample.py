#!/usr/bin/env python3
"""Writes forum_sample.log, a log of a forum session, and
forum_sample.ren, the Kanbel text that converting it must give.

The expected output is spelled out record by record below rather than
computed, so that it can be read and checked line by line. Run from any
directory; the files are written beside this script.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def b(text):
    return text.encode('cp932')


def blanks(n):
    return b' ' * n


# The log, line by line (bytes; CR LF is added when written).
HANDLE_NEKO = b('ねこ') + blanks(12)          # 16 bytes
HANDLE_USAGI = b('うさぎ') + blanks(10)       # 16 bytes
HANDLE_NISE = b('にせもの') + blanks(8)       # 16 bytes
HANDLE_TORI = b('とり') + blanks(12)          # 16 bytes

L_BOARD_FMKTG = b('- FMKTG  MES(03) [FMKTG] 一般の話題 -')
L_HEADER_123 = b'00123/00456 XYZ00000  ' + HANDLE_NEKO + b' ' + b('Re: 新製品の話')
L_DATE_123 = b('(03)   97/08/20 21:05  00120へのコメント')
L_BOARD_FGALDC = b('- FGALDC  MES(07) GALLERY-DC: 作品発表 -')
L_HEADER_045 = (b'045/012   ABC01234  ' + HANDLE_USAGI + b'* ' +
                b('ＲＥ：作品'))
L_DATE_045 = b('(07)   02/01/15 09:30  ')
L_FAKE_HEADER = (b'99999/00001 FAKE0001  ' + HANDLE_NISE + b' ' +
                 b('見出しに見える行'))
L_HEADER_125 = (b'00125/00456 XYZ00000  ' + HANDLE_NEKO + b' ' +
                b('RE:RE: 続・新製品'))
L_DATE_125 = b('(03)   97/08/21 00:10  00123へのコメント')
L_BOARD_FCHAT = b('- FCHAT  MES(12)  会議室一覧 -')
L_HEADER_007 = b'00007/00001 QWE98765  ' + HANDLE_TORI + b' '
L_DATE_007 = b('(12)   70/12/31 23:59  ')

LOG = [
    b'ATDT 0120XXXXXX',                  # connection noise: skipped
    b'CONNECT 9600',
    b('NIFTY-Serve へようこそ'),
    b('＞GO FMKTG'),                      # GO line, upper case
    L_BOARD_FMKTG,                        # forum with an 8-byte offset
    L_HEADER_123,                         # 5-digit layout
    L_DATE_123,                           # comments on 00120
    b('本文です。'),                      # first body line
    b('#Kで始まる行'),                    # escaped
    b('途中で切れた行') + b'\x82',        # cut inside あ ...
    b'\xa0' + b('です。'),                # ... and its rest
    b('＞◆次頁はありません◆'),          # page marker with prompt
    b('次の操作を選んでください'),        # skipped
    b('＞go fgaldc'),                     # GO line, lower case
    L_BOARD_FGALDC,                       # forum with a 12-byte offset
    L_HEADER_045,                         # 3-digit layout
    L_DATE_045,                           # year 02: 2002
    b('#t で始まる行'),                   # first body line, escaped
    b('#X は変わらない'),                 # not a control line
    L_FAKE_HEADER,                        # looks like a header ...
    b('(本文の続き)'),                    # ... but this date line is refused
    b('おわり'),
    L_HEADER_125,                         # conference 3 while in 7
    L_DATE_125,
    b('ありがとうございました。'),
    b('◆次頁はありません◆'),            # page marker without prompt
    b('＞GO FCHAT'),
    L_BOARD_FCHAT,                        # meeting room: not remembered
    L_HEADER_007,                         # empty title
    L_DATE_007,                           # year 70: 2070
    b('ＡＢＣ全角の本文'),
    b('最後の行は書かれない'),            # the last line is never written
]

# The expected records, spelled out.
AT_BOARD = b('＠board')
AT_MES = b('＠mes')
AT_ID = b('＠id')
AT_HANDLE = b('＠ハンドル')
AT_NUMBER = b('＠発言番号')
AT_REFER = b('＠refer')
AT_SORT = b('＠整列')
AT_TITLE = b('＠title')
AT_TIME = b('＠time')
DOWN = b('▼')
UP = b('▲')

# Message 00123: board FMKTG, label "一般の話題" (8 bytes of "[FMKTG] "
# skipped, 10 bytes kept), a comment on 00120, the "Re:" prefix removed.
R1 = [
    b'#S', b'#W80',
    b'#T' + b('一般の話題') + b' 00123 ' + b('Re: 新製品の話') + blanks(20) +
    b' ' + b('ねこ') + blanks(6),
    b'#KFMKTG  ' + AT_BOARD,
    b'#K(03)' + AT_MES,
    b'#KXYZ00000' + AT_ID,
    b'#K' + HANDLE_NEKO + AT_HANDLE,
    b'#K(03)00123' + AT_NUMBER,
    b'#K(03)00120' + AT_REFER,
    b'#K(03)00120' + AT_SORT,
    b'#K' + b('新製品の話') + b'  ' + AT_TITLE,
    b'#K1997/08/20 21:05' + AT_TIME,
    L_BOARD_FMKTG, L_HEADER_123, L_DATE_123,
    DOWN + b'(03)00123,(03)00120,' + b('新製品の話') + b'  ' + UP,
    b('本文です。'),
    b("'#Kで始まる行"),
    b('途中で切れた行あです。'),
    b'#E', b'',
]

# Message 045 (3-digit layout): board FGALDC, label "作品発表 -" (12 bytes
# skipped); the full-width "ＲＥ：" is no prefix, only made half-width; no
# comment, so the sort key is the number; the false header and its refused
# date line are body text.
R2 = [
    b'#S', b'#W80',
    b'#T' + b('作品発表 -') + b' 00045 ' + b('ＲＥ：作品') + blanks(24) +
    b' ' + b('うさぎ') + blanks(4),
    b'#KFGALDC  ' + AT_BOARD,
    b'#K(07)' + AT_MES,
    b'#KABC01234' + AT_ID,
    b'#K' + HANDLE_USAGI + AT_HANDLE,
    b'#K(07)045' + AT_NUMBER,
    b'#K(07)00045' + AT_SORT,
    b'#K' + b('re:作品') + b'  ' + AT_TITLE,
    b'#K2002/01/15 09:30' + AT_TIME,
    L_BOARD_FGALDC, L_HEADER_045, L_DATE_045,
    DOWN + b'(07)045,' + b('re:作品') + b'  ' + UP,
    b("'#t で始まる行"),
    b('#X は変わらない'),
    L_FAKE_HEADER,
    b('(本文の続き)'),
    b('おわり'),
    b'#E', b'',
]

# Message 00125 of conference 3 seen on the page of conference 7: board
# line and label come from the table slot 3 (the board line as read less
# its last 10 bytes, then " -"); the board keyword stays FGALDC. "RE:RE:"
# goes in two rounds; "・" becomes the half-width dot.
R3 = [
    b'#S', b'#W80',
    b'#T' + b('一般の話題') + b' 00125 ' + b('RE:RE: 続・新製品') +
    blanks(17) + b' ' + b('ねこ') + blanks(6),
    b'#KFGALDC  ' + AT_BOARD,
    b'#K(03)' + AT_MES,
    b'#KXYZ00000' + AT_ID,
    b'#K' + HANDLE_NEKO + AT_HANDLE,
    b'#K(03)00125' + AT_NUMBER,
    b'#K(03)00123' + AT_REFER,
    b'#K(03)00123' + AT_SORT,
    b'#K' + b('続･新製品') + b'  ' + AT_TITLE,
    b'#K1997/08/21 00:10' + AT_TIME,
    b('- FMKTG  MES(03) [FMKTG] 一 -'), L_HEADER_125, L_DATE_125,
    DOWN + b'(03)00125,(03)00123,' + b('続･新製品') + b'  ' + UP,
    b('ありがとうございました。'),
    b'#E', b'',
]

# Message 00007 in a meeting room: label " 会議室一 " (the 10th byte would
# split 覧); empty title: 34 blanks in the title column, title two blanks;
# year 70 gets "20".
R4 = [
    b'#S', b'#W80',
    b'#T' + b(' 会議室一 ') + b' 00007 ' + blanks(34) + b' ' + b('とり') +
    blanks(6),
    b'#KFCHAT  ' + AT_BOARD,
    b'#K(12)' + AT_MES,
    b'#KQWE98765' + AT_ID,
    b'#K' + HANDLE_TORI + AT_HANDLE,
    b'#K(12)00007' + AT_NUMBER,
    b'#K(12)00007' + AT_SORT,
    b'#K  ' + AT_TITLE,
    b'#K2070/12/31 23:59' + AT_TIME,
    L_BOARD_FCHAT, L_HEADER_007, L_DATE_007,
    DOWN + b'(12)00007,  ' + UP,
    b('ＡＢＣ全角の本文'),
    b'#E', b'',
]


def main():
    assert len(L_HEADER_007) == 39
    with open(os.path.join(HERE, 'forum_sample.log'), 'wb') as f:
        f.write(b''.join(line + b'\r\n' for line in LOG) + b'\x1a')
    with open(os.path.join(HERE, 'forum_sample.ren'), 'wb') as f:
        f.write(b''.join(line + b'\r\n' for line in R1 + R2 + R3 + R4) +
                b'\x1a')


if __name__ == '__main__':
    main()
