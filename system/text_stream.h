#pragma once
#include <memory>
#include <string>

#include "system/stream_wrapper.h"

namespace qm {

// Reads and writes 16-bit code units through an inner byte stream in one of
// four encodings. Each unit is encoded on its own: a surrogate pair becomes
// two UTF-8 sequences of three bytes, and decoding does not check
// continuation bytes.
class TTextStream : public TStreamWrapper {
 public:
  static constexpr int LATIN1 = 1;
  static constexpr int UTF8 = 2;
  static constexpr int UTF16BE = 3;
  static constexpr int UTF16LE = 4;

  // A text stream that takes ownership of stream.
  static std::unique_ptr<TTextStream> Create(StreamPtr stream, int encoding);

  int Encoding() const { return _encoding; }

  // One unit from one to three bytes; at the end of the inner stream the
  // missing bytes read as 0.
  virtual char16_t ReadChar();
  virtual void WriteChar(char16_t unit);
  // Every unit up to the end, line ends and zero units included.
  virtual String ReadFile();

  // Ends at the end, at unit 0 or at unit 10; every unit 13 is dropped.
  String ReadLine() override;
  // The encoded text and "\r\n"; never raises, false reports a short write.
  bool WriteLine(const String& text) override;
  // The encoded text with no terminator; a failed write raises.
  void WriteString(const String& text) override;
  String ReadString(int length) override;

  // The bytes WriteString would write, for callers that batch output;
  // WriteLine and WriteString encode whole texts through it.
  virtual std::string Encode(const String& text) const;

 protected:
  TTextStream(StreamPtr stream, int encoding) : TStreamWrapper(std::move(stream)), _encoding(encoding) {}
  int ReadByteRaw();
  void WriteByteRaw(int value);

 private:
  void AppendEncoded(std::string& out, char16_t unit) const;

  int _encoding;
};

}  // namespace qm
