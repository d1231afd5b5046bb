// rufkartei-bare-parse FILE: the floor of "Laden". Parses FILE with the same UTF-16 Expat the
// program links, reading 16 KiB chunks into the parser's own buffer as the loader does, with
// the loader's handlers registered but only counting what they are given. Prints the counts,
// so the parse cannot be left out, and the time.

#include <expat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "measure.h"

namespace {

constexpr int kChunk = 16384;

struct Counts {
  std::uint64_t elements = 0;
  std::uint64_t attributes = 0;
  std::uint64_t characters = 0;
  std::uint64_t other = 0;
};

Counts& Of(void* data) { return *static_cast<Counts*>(data); }

void XMLCALL OnStart(void* data, const XML_Char*, const XML_Char** attributes) {
  Counts& counts = Of(data);
  ++counts.elements;
  while (attributes[0] != nullptr) {
    ++counts.attributes;
    attributes += 2;
  }
}
void XMLCALL OnEnd(void*, const XML_Char*) {}
void XMLCALL OnText(void* data, const XML_Char*, int length) { Of(data).characters += static_cast<unsigned>(length); }
void XMLCALL OnComment(void* data, const XML_Char*) { ++Of(data).other; }
void XMLCALL OnCdata(void* data) { ++Of(data).other; }
void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) { ++Of(data).other; }
void XMLCALL OnDoctypeEnd(void* data) { ++Of(data).other; }
void XMLCALL OnDeclaration(void* data, const XML_Char*, const XML_Char*, int) { ++Of(data).other; }
void XMLCALL OnInstruction(void* data, const XML_Char*, const XML_Char*) { ++Of(data).other; }

// The parse alone, from opening the file to freeing the parser; false on any failure.
[[gnu::noinline]] bool BareParse(const char* path, Counts& counts) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  XML_Parser parser = XML_ParserCreate(nullptr);
  bool ok = parser != nullptr;
  if (ok) {
    XML_SetUserData(parser, &counts);
    XML_SetElementHandler(parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser, OnText);
    XML_SetDefaultHandler(parser, OnText);
    XML_SetCommentHandler(parser, OnComment);
    XML_SetCdataSectionHandler(parser, OnCdata, OnCdata);
    XML_SetDoctypeDeclHandler(parser, OnDoctype, OnDoctypeEnd);
    XML_SetXmlDeclHandler(parser, OnDeclaration);
    XML_SetProcessingInstructionHandler(parser, OnInstruction);
  }
  while (ok) {
    void* buffer = XML_GetBuffer(parser, kChunk);
    ssize_t count = buffer == nullptr ? -1 : ::read(fd, buffer, kChunk);
    if (count < 0) {
      ok = false;
      break;
    }
    if (XML_ParseBuffer(parser, static_cast<int>(count), count == 0 ? XML_TRUE : XML_FALSE) == XML_STATUS_ERROR) {
      ok = false;
    }
    if (count == 0) break;
  }
  if (parser != nullptr) XML_ParserFree(parser);
  ::close(fd);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: rufkartei-bare-parse FILE\n", stderr);
    return 2;
  }
  Counts counts;
  const rk::bench::Stopwatch watch;
  const double cpuBefore = rk::bench::ProcessCpuMs();
  const bool ok = BareParse(argv[1], counts);
  const double cpu = rk::bench::ProcessCpuMs() - cpuBefore;
  if (!ok) {
    std::fprintf(stderr, "bare-parse: cannot parse %s\n", argv[1]);
    return 1;
  }
  std::printf("bare-parse elements=%llu attributes=%llu characters=%llu other=%llu\n",
              static_cast<unsigned long long>(counts.elements), static_cast<unsigned long long>(counts.attributes),
              static_cast<unsigned long long>(counts.characters), static_cast<unsigned long long>(counts.other));
  std::printf("bare-parse ms=%.1f cpu_ms=%.1f peak_rss_kb=%lld\n", watch.ElapsedMs(), cpu,
              static_cast<long long>(rk::bench::PeakRssKb()));
  return 0;
}
