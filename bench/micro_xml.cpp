// rufkartei-microbench: the XML library alone on generated phonebooks of 1,000, 10,000 and
// 100,000 contacts: parsing, the normalisation and re-indentation, saving as it is and
// re-indented on the way out, and the whole chain a load runs. The books are generated into a temporary folder at start.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>

#include "generator.h"
#include "services/text.h"
#include "xml/xml.h"

namespace {

constexpr int kDocument = 0;
// The normalisation a load applies before it walks the tree: cut breaks, reduce breaks and blanks.
constexpr int kNormalise =
    rk::xml::FormatCutBreaks | rk::xml::FormatReduceBreaks | rk::xml::FormatReduceBlanks;

struct Books {
  std::filesystem::path folder;
  std::map<std::int64_t, std::u16string> paths;
  std::map<std::int64_t, std::uintmax_t> sizes;
};

Books& TheBooks() {
  static Books books;
  return books;
}

const std::u16string& BookPath(std::int64_t contacts) { return TheBooks().paths.at(contacts); }

std::u16string OutputPath() { return rk::FromOsPath(TheBooks().folder / "out.xml"); }

void CountBytes(benchmark::State& state) {
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(TheBooks().sizes.at(state.range(0))));
  state.counters["contacts"] = static_cast<double>(state.range(0));
}

// Loads the book of the benchmark's size; aborts the run when the library refuses it, since
// every number measured afterwards would be meaningless.
void LoadBook(benchmark::State& state) {
  if (rk::xml::LoadDocument(kDocument, BookPath(state.range(0))) == 0 ||
      rk::xml::DocumentStatus(kDocument) != 0) {
    state.SkipWithError("LoadDocument failed on a generated book");
  }
}

void BM_LoadDocument(benchmark::State& state) {
  for (auto _ : state) {
    LoadBook(state);
    state.PauseTiming();
    rk::xml::FreeDocument(kDocument);
    state.ResumeTiming();
  }
  CountBytes(state);
}

void BM_FormatNormalise(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    LoadBook(state);
    state.ResumeTiming();
    rk::xml::FormatDocument(kDocument, kNormalise, 2);
  }
  rk::xml::FreeDocument(kDocument);
  CountBytes(state);
}

// The re-indentation with step 3 that follows the normalisation.
void BM_FormatReindent(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    LoadBook(state);
    rk::xml::FormatDocument(kDocument, kNormalise, 2);
    state.ResumeTiming();
    rk::xml::FormatDocument(kDocument, rk::xml::FormatReindent, 3);
  }
  rk::xml::FreeDocument(kDocument);
  CountBytes(state);
}

void BM_SaveDocument(benchmark::State& state) {
  LoadBook(state);
  rk::xml::FormatDocument(kDocument, kNormalise, 2);
  rk::xml::FormatDocument(kDocument, rk::xml::FormatReindent, 3);
  const std::u16string out = OutputPath();
  for (auto _ : state) {
    if (rk::xml::SaveDocument(kDocument, out) == 0) state.SkipWithError("SaveDocument failed");
  }
  rk::xml::FreeDocument(kDocument);
  CountBytes(state);
}

// The copy as a load writes it: re-indented on the way out of the normalised tree.
void BM_SaveFormatted(benchmark::State& state) {
  LoadBook(state);
  rk::xml::FormatDocument(kDocument, kNormalise, 2);
  const std::u16string out = OutputPath();
  for (auto _ : state) {
    if (rk::xml::SaveFormatted(kDocument, out, rk::xml::FormatReindent, 3) == 0) {
      state.SkipWithError("SaveFormatted failed");
    }
  }
  rk::xml::FreeDocument(kDocument);
  CountBytes(state);
}

// Everything a load does with the XML library, one step after the other: parse, normalise,
// write the re-indented copy, free.
void BM_LoadChain(benchmark::State& state) {
  const std::u16string out = OutputPath();
  for (auto _ : state) {
    LoadBook(state);
    rk::xml::FormatDocument(kDocument, kNormalise, 2);
    if (rk::xml::SaveFormatted(kDocument, out, rk::xml::FormatReindent, 3) == 0) {
      state.SkipWithError("SaveFormatted failed");
    }
    rk::xml::FreeDocument(kDocument);
  }
  CountBytes(state);
}

void Sizes(benchmark::internal::Benchmark* bench) {
  bench->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_LoadDocument)->Apply(Sizes);
BENCHMARK(BM_FormatNormalise)->Apply(Sizes);
BENCHMARK(BM_FormatReindent)->Apply(Sizes);
BENCHMARK(BM_SaveDocument)->Apply(Sizes);
BENCHMARK(BM_SaveFormatted)->Apply(Sizes);
BENCHMARK(BM_LoadChain)->Apply(Sizes);

bool MakeBooks() {
  Books& books = TheBooks();
  std::string pattern = (std::filesystem::temp_directory_path() / "rufkartei-microbench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return false;
  books.folder = pattern;
  for (const std::int64_t contacts : {1000, 10000, 100000}) {
    const std::filesystem::path path = books.folder / ("book-" + std::to_string(contacts) + ".xml");
    if (!rk::bench::WriteBook(path, rk::bench::GenerateOptions{contacts, false, false})) return false;
    books.paths[contacts] = rk::FromOsPath(path);
    books.sizes[contacts] = std::filesystem::file_size(path);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const bool made = MakeBooks();
  int rc = 1;
  if (made) {
    benchmark::RunSpecifiedBenchmarks();
    rc = 0;
  } else {
    std::fputs("rufkartei-microbench: cannot generate the books in the temporary folder\n", stderr);
  }
  benchmark::Shutdown();
  std::error_code ignored;
  if (!TheBooks().folder.empty()) std::filesystem::remove_all(TheBooks().folder, ignored);
  return rc;
}
