// The whole-program operations of rufkartei-bench. Each run starts the real shell offscreen
// with a temporary program folder, presses the pane's buttons through the shell's own
// dispatch, answers every dialog in code and times one operation from the press until the
// program is idle again (its pending window-system work done).

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/controls.h"
#include "app/shell.h"
#include "book/slot.h"
#include "generator.h"
#include "measure.h"
#include "process_ops.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"

namespace rk::bench {
namespace {

constexpr std::u16string_view kFileDialogTitle = u"Telefonbuch auswählen:";
constexpr std::int64_t kSmallBookContacts = 10;

// The program as one user session: a temporary program folder, the shell started offscreen,
// dialogs answered in code. Ends the shell and removes the folder when it goes.
class Session {
 public:
  Session() {
#if defined(_WIN32)
    // Windows has no mkdtemp: a folder with a random name that did not exist yet.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && folder_.empty(); ++attempt) {
      const auto name = std::filesystem::temp_directory_path() / ("rufkartei-bench-" + std::to_string(random()));
      std::error_code error;
      if (std::filesystem::create_directory(name, error)) folder_ = name;
    }
    if (folder_.empty()) return;
#else
    // The offscreen platform needs no display; an explicit choice of the caller is kept.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string pattern = (std::filesystem::temp_directory_path() / "rufkartei-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return;
    folder_ = pattern;
#endif
    tk::SetDialogHook([this](std::u16string_view title, std::u16string_view) -> std::u16string {
      if (title == kFileDialogTitle) return answer_;
      ++boxes_;
      if (firstBox_.empty()) firstBox_ = title;
      return {};
    });
    started_ = app::StartShell(FromOsPath(folder_) + u"/");
    Settle();
  }

  ~Session() {
    if (started_) app::EndShell();
    tk::SetDialogHook({});
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
  }

  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  bool Started() const { return started_; }
  const std::filesystem::path& Folder() const { return folder_; }
  int Boxes() const { return boxes_; }
  std::u16string_view FirstBoxTitle() const { return firstBox_; }

  // Presses a button as the event loop would and lets the program finish what it started.
  void Press(int control) {
    app::DispatchEvent(tk::kEventControl, control);
    Settle();
  }

  // Loads `file` into `slot` through its "Laden" button, the file dialog answering `file`.
  void LoadBook(int slot, const std::filesystem::path& file) {
    answer_ = FromOsPath(file);
    Press(app::PaneControl(slot, app::kLoadButton));
  }

  // Handles every pending window-system message and queued event, as the idle event loop
  // would: control events go to the dispatch, a close request is not honoured here.
  void Settle() {
    for (;;) {
      const int code = tk::PollEvent();
      if (code == 0) return;
      if (code != tk::kEventClose) app::DispatchEvent(code, tk::EventControl());
    }
  }

 private:
  std::filesystem::path folder_;
  std::u16string answer_;
  std::u16string firstBox_;
  int boxes_ = 0;
  bool started_ = false;
};

int ListOf(int slot) { return app::PaneControl(slot, app::kContactList); }
int Rows(int slot) { return tk::CountItems(ListOf(slot)); }

// Bytes a record list holds in its own containers (capacity, not size: what is really taken).
std::int64_t RecordListBytes(const book::RecordList& list) {
  std::int64_t bytes = 0;
  bytes += static_cast<std::int64_t>(list.records.capacity() * sizeof(book::StoredRecord));
  bytes += static_cast<std::int64_t>(list.attributes.capacity() * sizeof(book::StoredAttribute));
  bytes += static_cast<std::int64_t>(list.pool.capacity() * sizeof(char16_t));
  bytes += static_cast<std::int64_t>(list.rowStarts.capacity() * sizeof(std::size_t));
  for (const std::u16string& name : list.names) {
    bytes += static_cast<std::int64_t>(sizeof(name) + (name.capacity() + 1) * sizeof(char16_t));
  }
  return bytes;
}

// Wall and CPU time of one operation, from construction to Stop.
struct Timing {
  Stopwatch wall;
  double cpuStart = ProcessCpuMs();
  double wallMs = 0;
  double cpuMs = 0;
  void Stop() {
    wallMs = wall.ElapsedMs();
    cpuMs = ProcessCpuMs() - cpuStart;
  }
};

int Fail(std::string_view operation, const char* why) {
  std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(operation.size()), operation.data(), why);
  return 1;
}

void PrintResult(std::string_view operation, const Timing& timing, const std::string& extra) {
  std::printf("%.*s ms=%.1f cpu_ms=%.1f peak_rss_kb=%lld%s\n", static_cast<int>(operation.size()), operation.data(),
              timing.wallMs, timing.cpuMs, static_cast<long long>(PeakRssKb()), extra.c_str());
  std::fflush(stdout);
}

std::string Pair(const char* key, std::int64_t value) {
  return std::string(" ") + key + "=" + std::to_string(value);
}

// Loads FILE into slot 1 as one timed "Laden", and what stays in memory afterwards.
int RunLoad(Session& session, const std::filesystem::path& file) {
  ReleaseFreeHeap();
  const std::int64_t heapBefore = HeapInUseBytes();
  const std::int64_t rssBefore = CurrentRssKb();
  Timing timing;
  session.LoadBook(1, file);
  timing.Stop();
  ReleaseFreeHeap();
  const std::int64_t heldKb = (HeapInUseBytes() - heapBefore) / 1024;
  const std::int64_t heldRssKb = CurrentRssKb() - rssBefore;
  const int rows = Rows(1);
  if (rows == 0) return Fail("load", "no rows after the load (is \"Laden\" wired, is the file a phonebook?)");
  std::error_code error;
  const auto fileKb = static_cast<std::int64_t>(std::filesystem::file_size(file, error) / 1024);
  const book::BookSlot* slot = book::FindSlot(1);
  const std::int64_t recordsKb = slot != nullptr ? RecordListBytes(slot->records) / 1024 : 0;
  PrintResult("load", timing,
              Pair("held_kb", heldKb) + Pair("held_rss_kb", heldRssKb) + Pair("records_kb", recordsKb) +
                  Pair("file_kb", fileKb) + Pair("rows", rows) + Pair("boxes", session.Boxes()));
  return 0;
}

// Loads FILE, then times "Speichern" of that slot alone. A _NEU.xml left by an earlier run is
// replaced, as when a user saves again; a first save writes a new file.
int RunSave(Session& session, const std::filesystem::path& file) {
  session.LoadBook(1, file);
  if (Rows(1) == 0) return Fail("save", "no rows after the load");
  std::filesystem::path out = file;
  out += "_NEU.xml";
  std::error_code error;
  const bool existed = std::filesystem::exists(out, error);
  const auto before = existed ? std::filesystem::last_write_time(out, error) : std::filesystem::file_time_type{};
  Timing timing;
  session.Press(app::PaneControl(1, app::kSaveButton));
  timing.Stop();
  const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(out, error));
  if (error || bytes == 0) return Fail("save", "no _NEU.xml file was written");
  if (existed && std::filesystem::last_write_time(out, error) == before) {
    return Fail("save", "the existing _NEU.xml file was not replaced");
  }
  PrintResult("save", timing, Pair("bytes", bytes) + Pair("replaced", existed ? 1 : 0) + Pair("rows", Rows(1)));
  return 0;
}

// Loads FILE into slot 1 and a small book into slot 2, ticks every second row of slot 1 and
// times one copy, move or delete of slot 1 alone; checks that the rows went where they should.
int RunTransfer(Session& session, std::string_view operation, const std::filesystem::path& file) {
  const std::filesystem::path small = session.Folder() / "klein.xml";
  if (!WriteBook(small, GenerateOptions{kSmallBookContacts, false, false})) {
    return Fail(operation, "cannot write the small book");
  }
  session.LoadBook(1, file);
  session.LoadBook(2, small);
  const int rows1 = Rows(1);
  const int rows2 = Rows(2);
  if (rows1 == 0 || rows2 == 0) return Fail(operation, "no rows after the loads");
  int ticked = 0;
  for (int row = 0; row < rows1; row += 2) {
    tk::SetItemState(ListOf(1), row, tk::kRowTicked);
    ++ticked;
  }
  session.Settle();

  int control = app::kCopyButton;
  int expect1 = rows1;
  int expect2 = rows2 + ticked;
  if (operation == "move") {
    control = app::kMoveButton;
    expect1 = rows1 - ticked;
  } else if (operation == "delete") {
    control = app::kDeleteButton;
    expect1 = rows1 - ticked;
    expect2 = rows2;
  }
  Timing timing;
  session.Press(app::PaneControl(1, control));
  timing.Stop();
  if (Rows(1) != expect1 || Rows(2) != expect2) {
    std::fprintf(stderr, "%.*s: rows %d and %d afterwards, expected %d and %d\n",
                 static_cast<int>(operation.size()), operation.data(), Rows(1), Rows(2), expect1, expect2);
    return 1;
  }
  // What stays resident after the operation, freed heap kept for reuse included.
  PrintResult(operation, timing, Pair("rows", rows1) + Pair("ticked", ticked) + Pair("rss_kb", CurrentRssKb()));
  return 0;
}

// Loads FILE, highlights every row and times "A +" alone.
int RunMarks(Session& session, const std::filesystem::path& file) {
  session.LoadBook(1, file);
  const int rows = Rows(1);
  if (rows == 0) return Fail("marks", "no rows after the load");
  for (int row = 0; row < rows; ++row) tk::SetItemState(ListOf(1), row, tk::kRowSelected);
  session.Settle();
  Timing timing;
  session.Press(app::PaneControl(1, app::kMarkButton));
  timing.Stop();
  for (const int row : {0, rows / 2, rows - 1}) {
    if (tk::GetItemState(ListOf(1), row) != tk::kRowTicked) return Fail("marks", "a highlighted row was not ticked");
  }
  PrintResult("marks", timing, Pair("rows", rows));
  return 0;
}

}  // namespace

bool IsOperation(std::string_view name) {
  return name == "load" || name == "save" || name == "copy" || name == "move" || name == "delete" ||
         name == "marks";
}

int RunOperation(std::string_view name, const std::vector<std::filesystem::path>& files) {
  std::error_code error;
  for (const std::filesystem::path& file : files) {
    if (!std::filesystem::is_regular_file(file, error)) return Fail(name, "no such file");
  }
  Session session;
  if (!session.Started()) return Fail(name, "the shell did not start");
  int rc = 0;
  for (const std::filesystem::path& file : files) {
    const std::filesystem::path absolute = std::filesystem::absolute(file, error);
    int fileRc = 1;
    if (name == "load") {
      fileRc = RunLoad(session, absolute);
    } else if (name == "save") {
      fileRc = RunSave(session, absolute);
    } else if (name == "marks") {
      fileRc = RunMarks(session, absolute);
    } else {
      fileRc = RunTransfer(session, name, absolute);
    }
    rc = std::max(rc, fileRc);
  }
  if (session.Boxes() > 0) {
    const std::string title = ToUtf8(session.FirstBoxTitle());
    std::fprintf(stderr, "%.*s: %d message boxes answered (first: %s)\n", static_cast<int>(name.size()), name.data(),
                 session.Boxes(), title.c_str());
  }
  return rc;
}

}  // namespace rk::bench
