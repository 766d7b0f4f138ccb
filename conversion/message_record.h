// The message record and the reader state of the conversion pass.
#pragma once

#include "runtime/byte_string.h"

namespace tess {

enum ReaderState : int {
  Body = 0,
  Skipping = 1,
  HeaderComplete = 2,
  FalseHeader = 3
};

struct MessageRecord {
  ByteString board;
  ByteString boardLabel;
  ByteString mes;
  ByteString currentMes;
  ByteString headline;
  ByteString title;
  ByteString handle;
  ByteString userId;
  ByteString messageNumber;
  ByteString postedTime;
  ByteString refer;
  ByteString sortKey;
  ByteString boardLine;
  ByteString headerLine;
  ByteString dateLine;

  friend bool operator==(const MessageRecord&, const MessageRecord&) = default;
};

}  // namespace tess
