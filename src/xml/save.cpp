// SaveDocument: writes the tree as XML text into a temporary file beside the target and puts
// it in the target's place only when everything was written.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "services/text.h"
#include "xml/document.h"
#include "xml/writer.h"

namespace rk::xml {
namespace {

// A file being written under a temporary name; removed unless Keep was called.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // Creates a new, empty file in the folder of `target`.
  bool Create(const std::filesystem::path& target) {
    static unsigned serial = 0;
    std::filesystem::path folder = target.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = ".rufkartei-" + std::to_string(::getpid()) + "-" + std::to_string(++serial) + ".tmp";
      std::filesystem::path candidate = folder.empty() ? std::filesystem::path(name) : folder / name;
      int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) {
        fd_ = fd;
        path_ = candidate;
        return true;
      }
      if (errno != EEXIST) return false;
    }
    return false;
  }

  int fd() const { return fd_; }

  // Closes the file, first making its content durable when `durable`; false when either fails.
  bool Close(bool durable) {
    bool synced = !durable || ::fsync(fd_) == 0;
    bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return synced && closed;
  }

  // Puts the file in the place of `target`; after success it is no longer removed.
  bool MoveTo(const std::filesystem::path& target) {
    if (::rename(path_.c_str(), target.c_str()) != 0) return false;
    path_.clear();
    return true;
  }

 private:
  int fd_ = -1;
  std::filesystem::path path_;
};

void PutDeclaration(OutputWriter& out, const Document& document) {
  switch (document.encoding) {
    case EncodingUtf16:
      out.PutMarkup("<?xml version=\"1.0\" encoding=\"UTF-16\"");
      break;
    case EncodingUtf8:
      out.PutMarkup("<?xml version=\"1.0\" encoding=\"UTF-8\"");
      break;
    default:
      out.PutMarkup("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"");
      break;
  }
  if (document.standalone == 0) out.PutMarkup(" standalone=\"no\"");
  if (document.standalone == 1) out.PutMarkup(" standalone=\"yes\"");
  out.PutMarkup("?>");
}

// A node whose text and children are being written.
struct SaveFrame {
  const XmlNode* node;
  const XmlNode* nextChild;
  std::size_t offset;  // characters of the node's text written so far
};

// Writes a child completely, or its start tag when its content follows (true).
bool PutNodeStart(OutputWriter& out, const XmlNode* node) {
  switch (node->kind) {
    case kNodeElement: {
      out.PutMarkup("<");
      out.Put(NameOf(node), Escape::kRaw);
      const std::uint32_t attributeCount = AttributeCountOf(node);
      for (std::uint32_t i = 0; i < attributeCount; ++i) {
        const Attribute& attribute = EntriesOf(node->attributes)[i];
        out.PutMarkup(" ");
        out.Put({attribute.name, attribute.nameLength}, Escape::kRaw);
        out.PutMarkup("=\"");
        if (attribute.valueLength > 0) out.Put({attribute.value, attribute.valueLength}, Escape::kAttribute);
        out.PutMarkup("\"");
      }
      if (node->firstChild == nullptr && node->textLength == 0) {
        out.PutMarkup("/>");
        return false;
      }
      out.PutMarkup(">");
      return true;
    }
    case kNodeComment:
      out.PutMarkup("<!--");
      out.Put(TextOf(node), Escape::kRaw);
      out.PutMarkup("-->");
      return false;
    case kNodeCData:
      out.PutMarkup("<![CDATA[");
      out.Put(TextOf(node), Escape::kRaw);
      out.PutMarkup("]]>");
      return false;
    case kNodeDtd:
      // The declaration text holds the whole internal subset; its child nodes are not written.
      out.Put(TextOf(node), Escape::kRaw);
      return false;
    case kNodeInstruction:
      out.PutMarkup("<?");
      out.Put(NameOf(node), Escape::kRaw);
      out.PutMarkup(" ");
      out.Put(TextOf(node), Escape::kRaw);
      out.PutMarkup("?>");
      return false;
    default:
      return false;
  }
}

// Writes the tree below the root: each text segment before its child, the tail after the
// last child. An explicit stack keeps any nesting depth off the call stack.
void PutTree(OutputWriter& out, const XmlNode* root) {
  std::vector<SaveFrame> frames;
  frames.push_back(SaveFrame{root, root->firstChild, 0});
  while (!frames.empty() && !out.failed()) {
    SaveFrame& frame = frames.back();
    std::u16string_view text = TextOf(frame.node);
    if (frame.nextChild != nullptr) {
      const XmlNode* child = frame.nextChild;
      frame.nextChild = child->nextSibling;
      if (child->position > 0 && frame.offset < text.size()) {
        std::u16string_view segment = text.substr(frame.offset, child->position);
        out.Put(segment, Escape::kText);
        frame.offset += segment.size();
      }
      if (PutNodeStart(out, child)) frames.push_back(SaveFrame{child, child->firstChild, 0});
      continue;
    }
    if (frame.offset < text.size()) out.Put(text.substr(frame.offset), Escape::kText);
    if (frame.node->kind == kNodeElement) {
      out.PutMarkup("</");
      out.Put(NameOf(frame.node), Escape::kRaw);
      out.PutMarkup(">");
    }
    frames.pop_back();
  }
}

}  // namespace

int SaveDocument(int number, std::u16string_view path, int options) {
  Document* document = FindDocument(number);
  if (document == nullptr || path.empty()) return 0;
  std::filesystem::path target = ToOsPath(path);
  // A link is followed, so the file it names is replaced and the link stays; anything but a
  // regular file (a folder, a device) is not replaced at all.
  std::error_code error;
  if (std::filesystem::is_symlink(target, error)) {
    target = std::filesystem::weakly_canonical(target, error);
    if (error) return 0;
  }
  std::filesystem::file_status status = std::filesystem::status(target, error);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) return 0;
  TemporaryFile file;
  if (!file.Create(target)) return 0;
  // A replaced file keeps its permissions.
  struct stat existing {};
  bool replacing = ::stat(target.c_str(), &existing) == 0;
  if (replacing && S_ISREG(existing.st_mode)) ::fchmod(file.fd(), existing.st_mode & 07777);
  OutputWriter out(file.fd(), document->encoding, replacing);
  if ((options & SaveWithBom) != 0) {
    if (document->encoding == EncodingUtf16) out.PutBytes("\xFF\xFE");
    if (document->encoding == EncodingUtf8) out.PutBytes("\xEF\xBB\xBF");
  }
  if ((options & SaveNoDeclaration) == 0) PutDeclaration(out, *document);
  try {
    PutTree(out, document->root);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  // Before a good file is replaced, the new content must be on the disk: after a crash the
  // target then holds either the old or the whole new content, never a cut-off file.
  if (!out.Flush() || !file.Close(replacing)) return 0;
  return file.MoveTo(target) ? 1 : 0;
}

}  // namespace rk::xml
