#pragma once
#include "system/stream.h"

namespace qm {

// Passes every stream operation to an inner stream, which it owns: closing
// or destroying the wrapper closes the inner stream too. Without an inner
// stream it behaves as a closed one (at its end, transfers of 0 bytes).
class TStreamWrapper : public TStream {
 public:
  TStreamWrapper() = default;
  explicit TStreamWrapper(StreamPtr stream) : _stream(std::move(stream)) {}

  void SetStream(StreamPtr stream) { _stream = std::move(stream); }
  TStream* Stream() const { return _stream.get(); }

  bool Eof() override;
  std::int64_t Pos() override;
  std::int64_t Size() override;
  std::int64_t Seek(std::int64_t position) override;
  int Flush() override;
  int Close() override;
  int Read(void* buffer, int count) override;
  int Write(const void* buffer, int count) override;

  int ReadBytes(void* buffer, int count) override;
  int WriteBytes(const void* buffer, int count) override;
  int ReadByte() override;
  void WriteByte(int value) override;
  String ReadLine() override;
  bool WriteLine(const String& text) override;
  void WriteString(const String& text) override;
  String ReadString(int length) override;

 protected:
  StreamPtr _stream;
};

}  // namespace qm
