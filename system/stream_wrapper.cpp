#include "system/stream_wrapper.h"

namespace qm {

bool TStreamWrapper::Eof() { return _stream ? _stream->Eof() : true; }
std::int64_t TStreamWrapper::Pos() { return _stream ? _stream->Pos() : -1; }
std::int64_t TStreamWrapper::Size() { return _stream ? _stream->Size() : 0; }
std::int64_t TStreamWrapper::Seek(std::int64_t position) { return _stream ? _stream->Seek(position) : -1; }
int TStreamWrapper::Flush() { return _stream ? _stream->Flush() : 0; }
int TStreamWrapper::Close() { return _stream ? _stream->Close() : 0; }
int TStreamWrapper::Read(void* buffer, int count) { return _stream ? _stream->Read(buffer, count) : 0; }
int TStreamWrapper::Write(const void* buffer, int count) { return _stream ? _stream->Write(buffer, count) : 0; }

int TStreamWrapper::ReadBytes(void* buffer, int count) {
  return _stream ? _stream->ReadBytes(buffer, count) : TStream::ReadBytes(buffer, count);
}
int TStreamWrapper::WriteBytes(const void* buffer, int count) {
  return _stream ? _stream->WriteBytes(buffer, count) : TStream::WriteBytes(buffer, count);
}
int TStreamWrapper::ReadByte() { return _stream ? _stream->ReadByte() : 0; }
void TStreamWrapper::WriteByte(int value) {
  if (_stream) {
    _stream->WriteByte(value);
  } else {
    TStream::WriteByte(value);
  }
}
String TStreamWrapper::ReadLine() { return _stream ? _stream->ReadLine() : String(); }
bool TStreamWrapper::WriteLine(const String& text) { return _stream ? _stream->WriteLine(text) : false; }
void TStreamWrapper::WriteString(const String& text) {
  if (_stream) {
    _stream->WriteString(text);
  } else {
    TStream::WriteString(text);
  }
}
String TStreamWrapper::ReadString(int length) {
  return _stream ? _stream->ReadString(length) : TStream::ReadString(length);
}

}  // namespace qm
