#!/usr/bin/env python3
"""Writes the sample logs of this folder: Shift-JIS text with CR LF line
ends, shaped like sessions of forum listings.

  19970820.LOG  a session in FMKTG and FTRAN1, with comments, page markers,
                a refused date line and a line cut inside a character
  19970821.TXT  a session in FGALDC, FGALEL and FWINMM, 3-digit headers,
                control-like body lines; ends with the byte 0x1A
  NIFTY.LOG     a longer session over several forums and conferences,
                including a meeting-room board line and a message of
                another conference

The logs are generated from fixed seeds, so running this script again
gives the same bytes. Run from any directory.
"""
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))

FORUMS = {
    # forum code: (prefix that the forum puts before a conference's name,
    #              conference names); the prefixes have the lengths that
    #              the conversion skips for these forums
    'FMKTG': ('[FMKTG] ', ['一般の話題', '新製品情報', '質問と回答']),
    'FTRAN1': ('[翻訳一般]', ['翻訳談話室', '辞書の話']),
    'FGALDC': ('[ギャラリー]', ['作品発表', '技法の話']),
    'FGALEL': ('[ギャラリーEL]', ['CG作品', '感想']),
    'FWINMM': ('[WinMM] ', ['サウンド', '動画']),
    'FBOOK': ('', ['新刊案内', 'ミステリ']),
}

HANDLES = ['ねこ', 'うさぎ', 'たぬき', 'Taro', 'ぱそこん太郎', 'NAOKO',
           'きつね', 'ペンギン']
TITLES = ['新製品の話', 'ドライバが動きません', 'Windows95の設定',
          'ＦＡＱについて', '作品を見てください', 'はじめまして', '質問です',
          '通信ソフトの比較', '辞書の使い方', '雑感']
SENTENCES = ['こんにちは。', 'はじめて書き込みます。', '先日の件ですが、',
             '設定を変えたら動きました。', 'ありがとうございました。',
             '私も同じ問題で困っています。', 'FAQ を読んでください。',
             'PC-9801 では確認していません。', 'よろしくお願いします。',
             '(^_^)', '詳しくは会議室 3 をご覧ください。', '以上です。']


def b(text):
    return text.encode('cp932')


class Session:
    def __init__(self, seed):
        self.rand = random.Random(seed)
        self.lines = []
        self.number = {}

    def add(self, line):
        self.lines.append(line if isinstance(line, bytes) else b(line))

    def noise(self):
        self.add('ATDT 0120XXXXXX')
        self.add('CONNECT 14400')
        self.add('NIFTY-Serve へようこそ')
        self.add('ID:XYZ00000')
        self.add('Password:')
        self.add('')

    def go(self, forum, lower=False):
        self.add(('＞go ' + forum.lower()) if lower else ('＞GO ' + forum))
        self.add('')

    def board(self, forum, conference, meeting_room=False):
        prefix, names = FORUMS[forum]
        name = names[conference % len(names)]
        if meeting_room:
            # The forum's list of meeting rooms: not a page to remember.
            line = '- %s  MES(%02d)  会議室一覧 -' % (forum, conference)
        else:
            line = '- %s  MES(%02d) %s%s -' % (forum, conference, prefix, name)
        self.add(line)

    def header(self, conference, three_digits=False, title=None):
        key = conference
        self.number[key] = self.number.get(key, 100 + conference * 7) + 1
        number = self.number[key]
        handle = b(self.rand.choice(HANDLES)).ljust(16)[:16]
        user = 'ABC%05d' % self.rand.randrange(100000)
        if title is None:
            title = self.rand.choice(TITLES)
            if self.rand.randrange(3) == 0:
                title = self.rand.choice(['Re: ', 'RE:RE: ', 'Re^2: ',
                                          'RE*3: ']) + title
        if three_digits:
            head = b('%03d/%03d   %s  ' % (number % 1000, 1 + number % 7,
                                           user))
            line = head + handle + b'* ' + b(title)
        else:
            head = b('%05d/%05d %s  ' % (number, number + 3, user))
            line = head + handle + b' ' + b(title)
        self.add(line)
        return number

    def date(self, conference, number, comment=False, year=97):
        line = '(%02d)   %02d/%02d/%02d %02d:%02d  ' % (
            conference, year, self.rand.randrange(1, 13),
            self.rand.randrange(1, 29), self.rand.randrange(24),
            self.rand.randrange(60))
        if comment and number > 1:
            line += '%05dへのコメント' % (number - 1)
        self.add(line)

    def body(self, lines=None):
        for _ in range(lines or self.rand.randrange(1, 8)):
            text = ''.join(self.rand.choice(SENTENCES)
                           for _ in range(self.rand.randrange(1, 4)))
            self.add(text)
        self.add('')

    def message(self, conference, **kwargs):
        comment = kwargs.pop('comment', self.rand.randrange(3) == 0)
        year = kwargs.pop('year', 97)
        number = self.header(conference, **kwargs)
        self.date(conference, number, comment=comment, year=year)
        self.body()

    def page_prompt(self):
        self.add('次頁(Enter),MES番号(番号),終了(E)>')

    def no_next_page(self, prompt=True):
        self.add('＞◆次頁はありません◆' if prompt else '◆次頁はありません◆')
        self.add('')

    def write(self, name, final_mark=False):
        data = b''.join(line + b'\r\n' for line in self.lines)
        if final_mark:
            data += b'\x1a'
        with open(os.path.join(HERE, name), 'wb') as f:
            f.write(data)


def log_0820():
    s = Session(820)
    s.noise()
    s.go('FMKTG')
    s.board('FMKTG', 3)
    for i in range(4):
        s.message(3, comment=(i % 2 == 1))
    s.page_prompt()
    # A line that looks like a header, and a date line that refuses it.
    s.add(b('12345/12346 ZZZ00000  ') + b('参考').ljust(16) + b(' ') +
          b('引用された見出し'))
    s.add('(本文の続きです)')
    s.add(b('途中で切れた行') + b'\x82')  # cut inside あ
    s.add(b'\xa0' + b('です。'))
    s.add('')
    s.no_next_page()
    s.go('FTRAN1', lower=True)
    s.board('FTRAN1', 5)
    for _ in range(3):
        s.message(5)
    s.message(3, comment=True)  # conference 3 seen on the page of 5
    s.no_next_page(prompt=False)
    s.add('＞OFF')
    s.write('19970820.LOG')


def log_0821():
    s = Session(821)
    s.noise()
    s.go('FGALDC')
    s.board('FGALDC', 7)
    for i in range(3):
        s.message(7, three_digits=True, title='ＲＥ：作品その%d' % (i + 1))
    s.add('#Kで始まる行')
    s.add('#t も同じ')
    s.add('#X は変わらない')
    s.add('')
    s.no_next_page()
    s.go('FGALEL')
    s.board('FGALEL', 2)
    s.message(2, year=2)
    s.message(2, year=70)
    s.message(2, year=71)
    s.no_next_page()
    s.go('FWINMM')
    s.board('FWINMM', 11)
    s.message(11, title='')
    s.message(11)
    s.add('＞OFF')
    s.write('19970821.TXT', final_mark=True)


def log_nifty():
    s = Session(1997)
    s.noise()
    forums = list(FORUMS)
    for visit in range(12):
        forum = forums[visit % len(forums)]
        conference = 1 + (visit * 5) % 24
        s.go(forum, lower=(visit % 3 == 2))
        if visit == 4:
            s.board(forum, conference, meeting_room=True)
        else:
            s.board(forum, conference)
        for i in range(2 + visit % 4):
            s.message(conference, three_digits=(visit % 4 == 1))
            if i % 2 == 1:
                s.page_prompt()
        if visit % 5 == 3:
            # A message of a conference seen earlier in the session.
            s.message(1 + ((visit - 2) * 5) % 24, comment=True)
        s.no_next_page(prompt=(visit % 2 == 0))
    s.add('＞OFF')
    s.write('NIFTY.LOG')


if __name__ == '__main__':
    log_0820()
    log_0821()
    log_nifty()
