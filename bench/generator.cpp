#include "generator.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string_view>

namespace rk::bench {
namespace {

// SplitMix64: tiny, fast and fully specified, so a book generated today is the same book
// generated with any compiler or standard library later (std:: distributions are not).
struct Random {
  std::uint64_t state;

  std::uint64_t Next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // A value in [0, bound); the modulo bias is irrelevant for test data.
  std::uint64_t Below(std::uint64_t bound) { return Next() % bound; }

  template <typename T, std::size_t N>
  const T& Pick(const std::array<T, N>& items) {
    return items[static_cast<std::size_t>(Below(N))];
  }
};

struct Person {
  std::string_view shown;  // as it appears in realName (already escaped for XML text)
  std::string_view mail;   // ASCII form for the e-mail address
};

constexpr std::array<Person, 24> kFirstNames{{
    {"Anna", "anna"},       {"Jürgen", "juergen"},  {"Sören", "soeren"},   {"Käthe", "kaethe"},
    {"Lukas", "lukas"},     {"Maximilian", "max"},  {"Özlem", "oezlem"},   {"Günther", "guenther"},
    {"Marie", "marie"},     {"Björn", "bjoern"},    {"Zoë", "zoe"},        {"Hannelore", "hanne"},
    {"Paul", "paul"},       {"Ümit", "uemit"},      {"Elisabeth", "elli"}, {"Jörg", "joerg"},
    {"Sophie", "sophie"},   {"Thomas", "thomas"},   {"Grete", "grete"},    {"Dragoş", "dragos"},
    {"Léa", "lea"},         {"Friedrich", "fritz"}, {"Agnieszka", "aga"},  {"Hans-Peter", "hp"},
}};

constexpr std::array<Person, 24> kSurnames{{
    {"Müller", "mueller"},   {"Schäfer", "schaefer"}, {"Weiß", "weiss"},      {"Groß", "gross"},
    {"Köhler", "koehler"},   {"Schmidt", "schmidt"},  {"Böhm", "boehm"},      {"Krüger", "krueger"},
    {"Hoffmann", "hoffmann"}, {"Jäger", "jaeger"},    {"Fuß", "fuss"},        {"Wagner", "wagner"},
    {"Lößner", "loessner"},  {"Becker", "becker"},    {"Dürr", "duerr"},      {"Yılmaz", "yilmaz"},
    {"Bäcker", "baecker"},   {"Neumann", "neumann"},  {"Öztürk", "oeztuerk"}, {"Schröder", "schroeder"},
    {"Zimmermann", "zimmermann"}, {"Häußler", "haeussler"}, {"Kowalski", "kowalski"}, {"Vogt", "vogt"},
}};

// Names carrying the characters that must be escaped in XML text; written escaped.
constexpr std::array<std::string_view, 8> kCompanies{{
    "Müller &amp; Söhne GmbH",
    "Praxis Dr. Weiß &amp; Kollegen",
    "Bäckerei &lt;Sonntags&gt; Notdienst",
    "O&apos;Connor&apos;s Irish Pub",
    "Kfz-Werkstatt Groß &amp; Klein",
    "Hausverwaltung &lt;Zentrale&gt;",
    "D&apos;Angelo Pizzeria &amp; Lieferdienst",
    "Stadtwerke Köln – Störungsdienst",
}};

constexpr std::array<std::string_view, 12> kPrefixes{{
    "030", "040", "089", "0221", "069", "0711", "0171", "0151", "0160", "0176", "+49 351", "+49 621",
}};

constexpr std::array<std::string_view, 6> kTypes{{"home", "work", "mobile", "fax_work", "home", "mobile"}};

// How many numbers a contact has: mostly one or two, now and then up to nine.
int NumberCount(Random& random) {
  const std::uint64_t r = random.Below(100);
  if (r < 75) return 1;
  if (r < 89) return 2;
  if (r < 94) return 3;
  if (r < 96) return 4;
  return 5 + static_cast<int>(random.Below(5));
}

void AppendDigits(std::string& out, Random& random, int count) {
  for (int i = 0; i < count; ++i) out += static_cast<char>('0' + random.Below(10));
}

struct Writer {
  std::string& out;
  std::string_view eol;

  // One line: `depth` tabs, the content, the line end.
  void Line(int depth, std::string_view content) {
    out.append(static_cast<std::size_t>(depth), '\t');
    out += content;
    out += eol;
  }
};

void AppendContact(Writer& w, Random& random, std::int64_t index, bool withComment) {
  std::string& out = w.out;
  const Person& first = random.Pick(kFirstNames);
  const Person& last = random.Pick(kSurnames);
  const std::uint64_t kind = random.Below(100);

  w.Line(2, "<contact>");
  const std::uint64_t category = random.Below(10);
  w.Line(3, category < 2 ? "<category />" : category < 9 ? "<category>0</category>" : "<category>1</category>");
  if (withComment) {
    w.Line(3, "<!-- aus dem alten Telefonbuch übernommen, bitte prüfen -->");
  }
  w.Line(3, "<person>");
  out += "\t\t\t\t<realName>";
  if (kind < 8) {
    out += random.Pick(kCompanies);
  } else if (kind < 50) {
    out += last.shown;
    out += ", ";
    out += first.shown;
  } else {
    out += first.shown;
    out += ' ';
    out += last.shown;
  }
  out += "</realName>";
  out += w.eol;
  w.Line(3, "</person>");

  const int numbers = NumberCount(random);
  out += "\t\t\t<telephony nid=\"";
  out += std::to_string(numbers);
  out += "\">";
  out += w.eol;
  for (int n = 0; n < numbers; ++n) {
    out += "\t\t\t\t<number type=\"";
    out += random.Pick(kTypes);
    // Routers write prio on the first number only.
    out += n == 0 ? "\" prio=\"1\" id=\"" : "\" id=\"";
    out += std::to_string(n);
    out += "\">";
    out += random.Pick(kPrefixes);
    out += ' ';
    AppendDigits(out, random, 5 + static_cast<int>(random.Below(4)));
    out += "</number>";
    out += w.eol;
  }
  w.Line(3, "</telephony>");

  if (random.Below(100) < 12) {
    w.Line(3, "<services nid=\"1\">");
    out += "\t\t\t\t<email classifier=\"private\" id=\"0\">";
    out += first.mail;
    out += '.';
    out += last.mail;
    out += "@example.de</email>";
    out += w.eol;
    w.Line(3, "</services>");
  } else {
    w.Line(3, "<services />");
  }
  w.Line(3, "<setup />");
  // Older router firmware wrote neither features nor mod_time; books merged over years mix both.
  if (random.Below(2) == 0) w.Line(3, "<features doorphone=\"0\" />");
  if (random.Below(100) < 85) {
    out += "\t\t\t<mod_time>";
    out += std::to_string(1300000000 + random.Below(400000000));
    out += "</mod_time>";
    out += w.eol;
  }
  out += "\t\t\t<uniqueid>";
  out += std::to_string(index + 1);
  out += "</uniqueid>";
  out += w.eol;
  w.Line(2, "</contact>");
}

}  // namespace

std::string GenerateBook(const GenerateOptions& options) {
  std::string out;
  const std::int64_t contacts = options.contacts > 0 ? options.contacts : 0;
  out.reserve(static_cast<std::size_t>(contacts) * 400 + 256);
  Writer w{out, options.crlf ? std::string_view("\r\n") : std::string_view("\n")};
  Random random{0x5275664B61727465ULL};

  // Comments every 1,000th contact, and at least one in a book that has any contact.
  const std::int64_t commentEvery = 1000;
  const std::int64_t firstComment = contacts < commentEvery ? contacts / 2 : commentEvery / 2;

  w.Line(0, "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
  w.Line(0, "<phonebooks>");
  w.Line(1, "<phonebook owner=\"1\" name=\"Telefonbuch\">");
  for (std::int64_t i = 0; i < contacts; ++i) {
    const bool comment = options.comments && i >= firstComment && (i - firstComment) % commentEvery == 0;
    AppendContact(w, random, i, comment);
  }
  w.Line(1, "</phonebook>");
  w.Line(0, "</phonebooks>");
  return out;
}

bool WriteBook(const std::filesystem::path& path, const GenerateOptions& options) {
  const std::string bytes = GenerateBook(options);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  return !file.fail();
}

}  // namespace rk::bench
