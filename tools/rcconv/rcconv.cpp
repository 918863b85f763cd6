// rcconv: the resource compiler of the Linux build, and the icon maker.
//
//   rcconv icons <recipe> <outdir>
//       writes the .ico files a recipe names (one line each:
//       "<file> <shape> <red> <green> <blue>", shapes "ball" and "pad";
//       32 x 32 pixels, 16 colours, with an AND mask).
//   rcconv convert <file.rc> <out.cpp> [-I <dir>]...
//       converts a .rc file into C++ that registers the module's resources
//       with the platform layer (QjRegisterModuleResources) in the binary
//       forms Windows keeps: RT_STRING blocks, RT_DIALOG templates
//       (DLGTEMPLATE), RT_GROUP_ICON directories and their RT_ICON images.
//   rcconv check <file.rc> <windres.res> [-I <dir>]...
//       compares its conversion with what windres made of the same file.
//
// The .rc subset read: comments; preprocessor lines (ignored; the resource
// compiler for Windows reads them); LANGUAGE; STRINGTABLE; <id> ICON "file";
// <id> DIALOG x, y, cx, cy with STYLE, EXSTYLE, CAPTION, FONT and CLASS,
// and CONTROL items; an <id> is a number or a name. Styles are "|" joins of numbers and the names of the
// table below. Anything else is an error with its line number.
#include <cctype>
#include <cmath>
#include <deque>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

[[noreturn]] void Fail(const std::string& what) {
  std::cerr << "rcconv: " << what << "\n";
  std::exit(1);
}

void Put16(Bytes& b, unsigned v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// ---------------------------------------------------------------- icons

// A 16-colour palette: 0 black (transparent where the mask is set), 1..13 a
// ramp from the shadow of the base colour to its highlight, 14 a light
// outline, 15 white.
struct Palette {
  uint8_t rgb[16][3] = {};
};

Palette RampOf(int r, int g, int b) {
  Palette p;
  for (int i = 1; i <= 13; ++i) {
    double t = (i - 1) / 12.0;  // 0 shadow .. 1 highlight
    double k = 0.45 + 0.75 * t;
    auto mix = [&](int c) {
      double v = c * std::min(k, 1.0) + (k > 1.0 ? (255 - c) * (k - 1.0) * 3 : 0);
      return uint8_t(std::max(0.0, std::min(255.0, v)));
    };
    p.rgb[i][0] = mix(r);
    p.rgb[i][1] = mix(g);
    p.rgb[i][2] = mix(b);
  }
  p.rgb[14][0] = p.rgb[14][1] = p.rgb[14][2] = 40;
  p.rgb[15][0] = p.rgb[15][1] = p.rgb[15][2] = 255;
  return p;
}

// Pixels of a 32 x 32 image: -1 transparent, else a palette index.
using Image = std::vector<int>;

Image Ball() {
  Image img(32 * 32, -1);
  const double cx = 15.5, cy = 15.5, radius = 14.0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      double d = std::hypot(x - cx, y - cy);
      if (d > radius) continue;
      if (d > radius - 1.0) {
        img[size_t(y) * 32 + size_t(x)] = 14;
        continue;
      }
      // Light from the upper left: brightest near (11, 10).
      double l = 1.0 - std::hypot(x - 11.0, y - 10.0) / (radius * 2.0);
      int idx = 1 + int(std::lround(std::max(0.0, std::min(1.0, l)) * 12));
      if (std::hypot(x - 10.5, y - 9.5) < 2.5) idx = 15;
      img[size_t(y) * 32 + size_t(x)] = idx;
    }
  return img;
}

Image Pad() {
  // A game pad: a body with two round grips, a cross on the left and two
  // buttons on the right, outlined.
  Image img(32 * 32, -1);
  auto inBody = [](int x, int y) {
    return (x >= 8 && x <= 23 && y >= 9 && y <= 20) || std::hypot(x - 8.0, y - 16.0) < 7.0 ||
           std::hypot(x - 23.0, y - 16.0) < 7.0;
  };
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      if (!inBody(x, y)) continue;
      const bool bEdge = !inBody(x - 1, y) || !inBody(x + 1, y) || !inBody(x, y - 1) || !inBody(x, y + 1);
      img[size_t(y) * 32 + size_t(x)] = bEdge ? 14 : 13 - (y - 8) / 2;
    }
  for (int i = -3; i <= 3; ++i) {
    img[size_t(15) * 32 + size_t(8 + i)] = 14;
    img[size_t(15 + i) * 32 + 8] = 14;
  }
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if (std::hypot(x - 21.0, y - 16.5) < 1.7 || std::hypot(x - 25.0, y - 13.5) < 1.7) img[size_t(y) * 32 + size_t(x)] = 15;
  return img;
}

// An .ico file with one 32 x 32 4-bit image.
Bytes IcoFile(const Image& img, const Palette& pal) {
  Bytes dib;
  Put32(dib, 40);
  Put32(dib, 32);
  Put32(dib, 64);  // both halves
  Put16(dib, 1);
  Put16(dib, 4);
  Put32(dib, 0);
  Put32(dib, 32 * 16 + 32 * 4);
  Put32(dib, 0);
  Put32(dib, 0);
  Put32(dib, 16);
  Put32(dib, 0);
  for (const auto& c : pal.rgb) {
    dib.push_back(c[2]);
    dib.push_back(c[1]);
    dib.push_back(c[0]);
    dib.push_back(0);
  }
  for (int row = 31; row >= 0; --row)
    for (int x = 0; x < 32; x += 2) {
      int a = std::max(0, img[size_t(row) * 32 + size_t(x)]), b = std::max(0, img[size_t(row) * 32 + size_t(x) + 1]);
      dib.push_back(uint8_t(a << 4 | b));
    }
  for (int row = 31; row >= 0; --row)
    for (int x = 0; x < 32; x += 8) {
      uint8_t bits = 0;
      for (int i = 0; i < 8; ++i)
        if (img[size_t(row) * 32 + size_t(x + i)] < 0) bits |= uint8_t(0x80 >> i);
      dib.push_back(bits);
    }
  Bytes ico;
  Put16(ico, 0);
  Put16(ico, 1);
  Put16(ico, 1);
  ico.push_back(32);
  ico.push_back(32);
  ico.push_back(16);
  ico.push_back(0);
  Put16(ico, 1);
  Put16(ico, 4);
  Put32(ico, uint32_t(dib.size()));
  Put32(ico, 22);
  ico.insert(ico.end(), dib.begin(), dib.end());
  return ico;
}

void WriteFile(const std::string& path, const Bytes& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
  if (!out) Fail("cannot write " + path);
}

int MakeIcons(const std::string& recipe, const std::string& outdir) {
  std::ifstream in(recipe);
  if (!in) Fail("cannot read " + recipe);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string file, shape;
    int r, g, b;
    if (!(fields >> file >> shape >> r >> g >> b)) Fail("bad recipe line: " + line);
    Image img = shape == "ball" ? Ball() : shape == "pad" ? Pad() : Image();
    if (img.empty()) Fail("unknown shape " + shape);
    WriteFile(outdir + "/" + file, IcoFile(img, RampOf(r, g, b)));
  }
  return 0;
}

// ---------------------------------------------------------------- .rc

struct Token {
  enum Kind { kWord, kNumber, kString, kPunct, kEnd } kind = kEnd;
  std::string text;
  long value = 0;
  int line = 0;
};

class Lexer {
 public:
  explicit Lexer(const std::string& src) : m_src(src) {}

  Token Next() {
    SkipSpace();
    Token t;
    t.line = m_line;
    if (m_pos >= m_src.size()) return t;
    char c = m_src[m_pos];
    if (c == '"') {
      t.kind = Token::kString;
      ++m_pos;
      for (;;) {
        if (m_pos >= m_src.size()) Fail("unterminated string at line " + std::to_string(t.line));
        char d = m_src[m_pos++];
        if (d == '"') {
          if (m_pos < m_src.size() && m_src[m_pos] == '"') {
            t.text += '"';
            ++m_pos;
            continue;
          }
          break;
        }
        if (d == '\\' && m_pos < m_src.size()) {
          char e = m_src[m_pos++];
          t.text += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e == '0' ? '\0' : e;
          continue;
        }
        if (d == '\n') ++m_line;
        t.text += d;
      }
      return t;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || (c == '-' && m_pos + 1 < m_src.size() &&
                                                         std::isdigit(static_cast<unsigned char>(m_src[m_pos + 1])))) {
      t.kind = Token::kNumber;
      size_t start = m_pos;
      ++m_pos;
      while (m_pos < m_src.size() && std::isalnum(static_cast<unsigned char>(m_src[m_pos]))) ++m_pos;
      t.text = m_src.substr(start, m_pos - start);
      std::string digits = t.text;
      if (!digits.empty() && (digits.back() == 'L' || digits.back() == 'l')) digits.pop_back();
      t.value = std::strtol(digits.c_str(), nullptr, 0);
      return t;
    }
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      t.kind = Token::kWord;
      size_t start = m_pos;
      while (m_pos < m_src.size() && (std::isalnum(static_cast<unsigned char>(m_src[m_pos])) || m_src[m_pos] == '_'))
        ++m_pos;
      t.text = m_src.substr(start, m_pos - start);
      return t;
    }
    t.kind = Token::kPunct;
    t.text = std::string(1, c);
    ++m_pos;
    return t;
  }

 private:
  void SkipSpace() {
    for (;;) {
      while (m_pos < m_src.size() && std::isspace(static_cast<unsigned char>(m_src[m_pos]))) {
        if (m_src[m_pos] == '\n') {
          ++m_line;
          m_bLineStart = true;
        }
        ++m_pos;
      }
      if (m_pos >= m_src.size()) return;
      if (m_src.compare(m_pos, 2, "//") == 0 || (m_bLineStart && m_src[m_pos] == '#')) {
        while (m_pos < m_src.size() && m_src[m_pos] != '\n') ++m_pos;
        continue;
      }
      if (m_src.compare(m_pos, 2, "/*") == 0) {
        size_t end = m_src.find("*/", m_pos + 2);
        if (end == std::string::npos) Fail("unterminated comment");
        for (size_t i = m_pos; i < end; ++i)
          if (m_src[i] == '\n') ++m_line;
        m_pos = end + 2;
        continue;
      }
      m_bLineStart = false;
      return;
    }
  }

  const std::string& m_src;
  size_t m_pos = 0;
  int m_line = 1;
  bool m_bLineStart = true;
};

const std::map<std::string, long>& Names() {
  static const std::map<std::string, long> names = {
      {"WS_OVERLAPPED", 0x00000000L}, {"WS_POPUP", 0x80000000L}, {"WS_CHILD", 0x40000000L},
      {"WS_MINIMIZE", 0x20000000L}, {"WS_VISIBLE", 0x10000000L}, {"WS_DISABLED", 0x08000000L},
      {"WS_CLIPSIBLINGS", 0x04000000L}, {"WS_CLIPCHILDREN", 0x02000000L}, {"WS_MAXIMIZE", 0x01000000L},
      {"WS_CAPTION", 0x00C00000L}, {"WS_BORDER", 0x00800000L}, {"WS_DLGFRAME", 0x00400000L},
      {"WS_VSCROLL", 0x00200000L}, {"WS_HSCROLL", 0x00100000L}, {"WS_SYSMENU", 0x00080000L},
      {"WS_THICKFRAME", 0x00040000L}, {"WS_GROUP", 0x00020000L}, {"WS_TABSTOP", 0x00010000L},
      {"WS_MINIMIZEBOX", 0x00020000L}, {"WS_MAXIMIZEBOX", 0x00010000L},
      {"WS_EX_DLGMODALFRAME", 0x1L}, {"WS_EX_TOOLWINDOW", 0x80L}, {"WS_EX_CLIENTEDGE", 0x200L},
      {"WS_EX_CONTROLPARENT", 0x10000L},
      {"DS_ABSALIGN", 0x01L}, {"DS_SYSMODAL", 0x02L}, {"DS_3DLOOK", 0x04L}, {"DS_FIXEDSYS", 0x08L},
      {"DS_NOFAILCREATE", 0x10L}, {"DS_LOCALEDIT", 0x20L}, {"DS_SETFONT", 0x40L}, {"DS_MODALFRAME", 0x80L},
      {"DS_NOIDLEMSG", 0x100L}, {"DS_SETFOREGROUND", 0x200L}, {"DS_CONTROL", 0x400L}, {"DS_CENTER", 0x800L},
      {"DS_CENTERMOUSE", 0x1000L}, {"DS_CONTEXTHELP", 0x2000L}, {"DS_SHELLFONT", 0x48L},
      {"LANG_NEUTRAL", 0x00}, {"LANG_ENGLISH", 0x09}, {"LANG_CHINESE", 0x04},
      {"SUBLANG_NEUTRAL", 0x00}, {"SUBLANG_DEFAULT", 0x01}, {"SUBLANG_ENGLISH_US", 0x01},
      {"SUBLANG_CHINESE_TRADITIONAL", 0x01}, {"SUBLANG_CHINESE_SIMPLIFIED", 0x02},
  };
  return names;
}

// One resource in its binary form.
struct Resource {
  unsigned type;
  unsigned id;
  unsigned lang;
  Bytes data;
  std::string name;  // a named resource (upper case, as the compiler stores it); "" for an ordinal
};

// ANSI text (UTF-8 is taken as it is for ASCII, Latin-1 beyond) to UTF-16
// code units.
std::vector<uint16_t> Wide(const std::string& s) {
  std::vector<uint16_t> w;
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      w.push_back(c);
    } else if ((c & 0xE0) == 0xC0 && i + 1 < s.size()) {
      w.push_back(uint16_t((c & 0x1F) << 6 | (static_cast<unsigned char>(s[i + 1]) & 0x3F)));
      ++i;
    } else if ((c & 0xF0) == 0xE0 && i + 2 < s.size()) {
      w.push_back(uint16_t((c & 0x0F) << 12 | (static_cast<unsigned char>(s[i + 1]) & 0x3F) << 6 |
                           (static_cast<unsigned char>(s[i + 2]) & 0x3F)));
      i += 2;
    } else {
      w.push_back(c);
    }
  }
  return w;
}

void PutWideZ(Bytes& b, const std::string& s) {
  for (uint16_t u : Wide(s)) Put16(b, u);
  Put16(b, 0);
}

void Align4(Bytes& b) {
  while (b.size() % 4) b.push_back(0);
}

class Parser {
 public:
  Parser(const std::string& src, std::vector<std::string> includes) : m_lex(src), m_includes(std::move(includes)) {
    Advance();
  }

  void Run() {
    while (m_tok.kind != Token::kEnd) {
      if (IsWord("LANGUAGE")) {
        Advance();
        m_lang = Language();
      } else if (IsWord("STRINGTABLE")) {
        Advance();
        StringTable();
      } else if (m_tok.kind == Token::kNumber || m_tok.kind == Token::kWord) {
        // An ordinal, or a name that the compiler stores in upper case.
        const unsigned id = m_tok.kind == Token::kNumber ? unsigned(m_tok.value) : 0;
        std::string name;
        if (m_tok.kind == Token::kWord)
          for (char c : m_tok.text) name += char(std::toupper(static_cast<unsigned char>(c)));
        Advance();
        if (IsWord("ICON")) {
          Advance();
          Icon(id);
        } else if (IsWord("DIALOG")) {
          Advance();
          Dialog(id);
        } else {
          Error("ICON or DIALOG expected");
        }
        m_resources.back().name = name;
      } else {
        Error("unexpected '" + m_tok.text + "'");
      }
    }
    for (auto& block : m_strings) {
      Bytes data;
      for (const std::string* s : block.second.texts) {
        if (!s) {
          Put16(data, 0);
          continue;
        }
        std::vector<uint16_t> w = Wide(*s);
        Put16(data, unsigned(w.size()));
        for (uint16_t u : w) Put16(data, u);
      }
      m_resources.push_back(Resource{6, block.first.first, block.first.second, data});
    }
  }

  const std::vector<Resource>& Resources() const { return m_resources; }

 private:
  struct Block {
    const std::string* texts[16] = {};
  };

  [[noreturn]] void Error(const std::string& what) { Fail("line " + std::to_string(m_tok.line) + ": " + what); }
  void Advance() { m_tok = m_lex.Next(); }
  bool IsWord(const char* w) const { return m_tok.kind == Token::kWord && m_tok.text == w; }
  bool IsPunct(char c) const { return m_tok.kind == Token::kPunct && m_tok.text[0] == c; }
  void SkipComma() {
    if (IsPunct(',')) Advance();
  }
  void Expect(bool ok, const std::string& what) {
    if (!ok) Error(what + " expected");
  }

  // A number or name, or several joined with "|", or "NOT" one.
  long Expr() {
    long v = Term();
    while (IsPunct('|')) {
      Advance();
      v |= Term();
    }
    return v;
  }
  long Term() {
    if (IsWord("NOT")) {
      Advance();
      return ~Term();
    }
    if (m_tok.kind == Token::kNumber) {
      long v = m_tok.value;
      Advance();
      return v;
    }
    if (m_tok.kind == Token::kWord) {
      auto it = Names().find(m_tok.text);
      if (it == Names().end()) Error("unknown name " + m_tok.text);
      Advance();
      return it->second;
    }
    if (IsPunct('(')) {
      Advance();
      long v = Expr();
      Expect(IsPunct(')'), "')'");
      Advance();
      return v;
    }
    Error("number expected");
  }
  std::string String() {
    Expect(m_tok.kind == Token::kString, "string");
    std::string s = m_tok.text;
    Advance();
    return s;
  }
  unsigned Language() {
    long primary = Expr();
    SkipComma();
    long sub = Expr();
    return unsigned((sub << 10) | primary);
  }
  void Begin() {
    Expect(IsWord("BEGIN") || IsPunct('{'), "BEGIN");
    Advance();
  }
  bool AtEnd() const { return IsWord("END") || IsPunct('}'); }

  void StringTable() {
    unsigned lang = m_lang;
    while (!IsWord("BEGIN") && !IsPunct('{')) {
      if (IsWord("LANGUAGE")) {
        Advance();
        lang = Language();
      } else {
        Error("BEGIN expected");
      }
    }
    Begin();
    while (!AtEnd()) {
      long id = Expr();
      SkipComma();
      if (id < 0 || id > 0xFFFF) Error("string id out of range");
      m_texts.push_back(String());
      m_strings[std::make_pair(unsigned(id / 16 + 1), lang)].texts[id % 16] = &m_texts.back();
    }
    Advance();
  }

  std::string FindFile(const std::string& name) {
    std::vector<std::string> tries = {name};
    for (const std::string& dir : m_includes) tries.push_back(dir + "/" + name);
    for (const std::string& path : tries) {
      std::ifstream f(path, std::ios::binary);
      if (f) return path;
    }
    Error("file not found: " + name);
  }

  void Icon(unsigned id) {
    std::string path = FindFile(String());
    std::ifstream in(path, std::ios::binary);
    Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < 6 || file[2] != 1) Error("not an icon file: " + path);
    const unsigned count = unsigned(file[4] | file[5] << 8);
    if (file.size() < 6 + 16 * size_t(count)) Error("truncated icon file: " + path);
    Bytes group;
    Put16(group, 0);
    Put16(group, 1);
    Put16(group, count);
    for (unsigned i = 0; i < count; ++i) {
      const uint8_t* e = &file[6 + 16 * size_t(i)];
      uint32_t cb = uint32_t(e[8] | e[9] << 8 | e[10] << 16 | uint32_t(e[11]) << 24);
      uint32_t off = uint32_t(e[12] | e[13] << 8 | e[14] << 16 | uint32_t(e[15]) << 24);
      if (off > file.size() || cb > file.size() - off) Error("truncated icon image: " + path);
      const unsigned imageId = ++m_nextIconId;
      m_resources.push_back(Resource{3, imageId, m_lang, Bytes(file.begin() + off, file.begin() + off + cb)});
      group.insert(group.end(), e, e + 12);  // width .. bytes in resource
      Put16(group, imageId);
    }
    m_resources.push_back(Resource{14, id, m_lang, group});
  }

  void Dialog(unsigned id) {
    long x = Expr();
    SkipComma();
    long y = Expr();
    SkipComma();
    long cx = Expr();
    SkipComma();
    long cy = Expr();
    // Without a STYLE statement a dialog is WS_POPUP | WS_BORDER | WS_SYSMENU.
    long style = 0x80000000L | 0x00800000L | 0x00080000L;
    long exStyle = 0;
    bool bCaption = false;
    std::string caption, face, className;
    long pointSize = 0;
    bool bFont = false;
    unsigned lang = m_lang;
    while (!IsWord("BEGIN") && !IsPunct('{')) {
      if (IsWord("STYLE")) {
        Advance();
        style = Expr();
      } else if (IsWord("EXSTYLE")) {
        Advance();
        exStyle = Expr();
      } else if (IsWord("CAPTION")) {
        Advance();
        caption = String();
        bCaption = true;
      } else if (IsWord("FONT")) {
        Advance();
        pointSize = Expr();
        SkipComma();
        face = String();
        bFont = true;
      } else if (IsWord("CLASS")) {
        Advance();
        className = String();
      } else if (IsWord("LANGUAGE")) {
        Advance();
        lang = Language();
      } else {
        Error("dialog statement expected");
      }
    }
    if (bFont) style |= 0x40L;                  // DS_SETFONT
    if (bCaption) style |= 0x00C00000L;         // a caption brings WS_CAPTION
    Begin();
    struct Item {
      std::string text, cls;
      long id, style, x, y, cx, cy, exStyle;
    };
    std::vector<Item> items;
    while (!AtEnd()) {
      Expect(IsWord("CONTROL"), "CONTROL");
      Advance();
      Item item;
      item.text = String();
      SkipComma();
      item.id = Expr();
      SkipComma();
      item.cls = String();
      SkipComma();
      item.style = Expr() | 0x40000000L | 0x10000000L;  // WS_CHILD | WS_VISIBLE
      SkipComma();
      item.x = Expr();
      SkipComma();
      item.y = Expr();
      SkipComma();
      item.cx = Expr();
      SkipComma();
      item.cy = Expr();
      item.exStyle = 0;
      if (IsPunct(',')) {
        Advance();
        item.exStyle = Expr();
      }
      items.push_back(item);
    }
    Advance();
    Bytes b;
    Put32(b, uint32_t(style));
    Put32(b, uint32_t(exStyle));
    Put16(b, unsigned(items.size()));
    for (long v : {x, y, cx, cy}) Put16(b, unsigned(v) & 0xFFFF);
    Put16(b, 0);  // no menu
    if (className.empty())
      Put16(b, 0);
    else
      PutWideZ(b, className);
    PutWideZ(b, caption);
    if (style & 0x40L) {
      Put16(b, unsigned(pointSize));
      PutWideZ(b, face);
    }
    // windres keeps a predefined class by its upper-cased name (BUTTON,
    // EDIT, STATIC, LISTBOX, SCROLLBAR, COMBOBOX) rather than its atom; so
    // does this converter, and the window manager takes either.
    static const char* const kPredefined[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
    for (const Item& item : items) {
      Align4(b);
      Put32(b, uint32_t(item.style));
      Put32(b, uint32_t(item.exStyle));
      for (long v : {item.x, item.y, item.cx, item.cy}) Put16(b, unsigned(v) & 0xFFFF);
      Put16(b, unsigned(item.id) & 0xFFFF);
      std::string upper = item.cls;
      for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
      bool bPredefined = false;
      for (const char* name : kPredefined) bPredefined = bPredefined || upper == name;
      PutWideZ(b, bPredefined ? upper : item.cls);
      PutWideZ(b, item.text);
      Put16(b, 0);  // no creation data
    }
    m_resources.push_back(Resource{5, id, lang, b});
  }

  Lexer m_lex;
  std::vector<std::string> m_includes;
  Token m_tok;
  unsigned m_lang = 0x0409;  // the resource compiler's default: US English
  unsigned m_nextIconId = 0;
  std::vector<Resource> m_resources;
  std::map<std::pair<unsigned, unsigned>, Block> m_strings;
  std::deque<std::string> m_texts;  // the blocks point into it
};

std::vector<Resource> ParseRc(const std::string& rcPath, const std::vector<std::string>& includes) {
  std::ifstream in(rcPath, std::ios::binary);
  if (!in) Fail("cannot read " + rcPath);
  std::string src((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> dirs = includes;
  std::string::size_type slash = rcPath.find_last_of('/');
  dirs.insert(dirs.begin(), slash == std::string::npos ? "." : rcPath.substr(0, slash));
  Parser parser(src, dirs);
  parser.Run();
  return parser.Resources();
}

// The resources of a .res file (the resource compiler's output): each a
// header with the sizes, the type and name (ordinals only are kept), the
// language, then the data, each part padded to 32 bits.
std::vector<Resource> ReadRes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot read " + path);
  Bytes d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto u16 = [&](size_t i) { return unsigned(d[i] | d[i + 1] << 8); };
  auto u32 = [&](size_t i) { return uint32_t(u16(i) | u16(i + 2) << 16); };
  std::vector<Resource> out;
  size_t i = 0;
  while (i + 8 <= d.size()) {
    const uint32_t cbData = u32(i), cbHeader = u32(i + 4);
    if (cbHeader < 16 || i + cbHeader + cbData > d.size()) Fail("malformed " + path);
    size_t j = i + 8;
    unsigned ids[2] = {0, 0};
    std::string names[2];
    for (int k = 0; k < 2; ++k) {
      if (u16(j) == 0xFFFF) {
        ids[k] = u16(j + 2);
        j += 4;
      } else {
        for (; u16(j); j += 2) names[k] += char(u16(j) & 0xFF);
        j += 2;
        if (k == 0) ids[k] = 0xFFFFFFFFu;  // a named type: never one of ours
      }
    }
    j = (j + 3) & ~size_t(3);
    const unsigned lang = u16(j + 6);
    if (cbData)
      out.push_back(Resource{ids[0], ids[1], lang,
                             Bytes(d.begin() + long(i + cbHeader), d.begin() + long(i + cbHeader + cbData)), names[1]});
    i = (i + cbHeader + cbData + 3) & ~size_t(3);
  }
  return out;
}

// 0 when both hold the same resources with the same bytes.
int Check(const std::string& rcPath, const std::string& resPath, const std::vector<std::string>& includes) {
  auto key = [](const Resource& r) { return std::make_tuple(r.type, r.id, r.lang, r.name); };
  std::map<std::tuple<unsigned, unsigned, unsigned, std::string>, Bytes> mine, theirs;
  for (const Resource& r : ParseRc(rcPath, includes)) mine[key(r)] = r.data;
  for (const Resource& r : ReadRes(resPath)) theirs[key(r)] = r.data;
  int nDiffer = 0;
  for (const auto& entry : theirs) {
    auto it = mine.find(entry.first);
    if (it == mine.end() || it->second != entry.second) {
      std::cerr << "rcconv: resource type " << std::get<0>(entry.first) << " id " << (std::get<3>(entry.first).empty() ? std::to_string(std::get<1>(entry.first)) : std::get<3>(entry.first))
                << " language " << std::get<2>(entry.first) << (it == mine.end() ? " missing" : " differs") << "\n";
      ++nDiffer;
    }
  }
  for (const auto& entry : mine)
    if (!theirs.count(entry.first)) {
      std::cerr << "rcconv: resource type " << std::get<0>(entry.first) << " id " << (std::get<3>(entry.first).empty() ? std::to_string(std::get<1>(entry.first)) : std::get<3>(entry.first))
                << " not in " << resPath << "\n";
      ++nDiffer;
    }
  if (!nDiffer) std::cout << "rcconv: " << mine.size() << " resources agree with " << resPath << "\n";
  return nDiffer ? 1 : 0;
}

int Convert(const std::string& rcPath, const std::string& outPath, const std::vector<std::string>& includes) {
  const std::vector<Resource> resources = ParseRc(rcPath, includes);
  std::ostringstream out;
  out << "// Generated by rcconv from " << rcPath << "; do not edit.\n"
      << "#include \"platform/win32.h\"\n\nnamespace {\n\n";
  for (size_t i = 0; i < resources.size(); ++i) {
    out << "const BYTE kData" << i << "[] = {";
    const Bytes& data = resources[i].data;
    for (size_t j = 0; j < data.size(); ++j) out << (j % 16 ? " " : "\n    ") << unsigned(data[j]) << ",";
    if (data.empty()) out << "0";
    out << "\n};\n";
  }
  out << "\nconst QJ_RESOURCE_ENTRY kResources[] = {\n";
  for (size_t i = 0; i < resources.size(); ++i) {
    const Resource& r = resources[i];
    out << "    {MAKEINTRESOURCEA(" << r.type << "), ";
    if (r.name.empty())
      out << "MAKEINTRESOURCEA(" << r.id << ")";
    else
      out << "\"" << r.name << "\"";
    out << ", " << r.lang << ", kData" << i << ", " << r.data.size() << "},\n";
  }
  out << "};\n\n"
      << "// The module's resource section: registered while the module is loaded.\n"
      << "struct Registrar {\n"
      << "  Registrar() { QjRegisterModuleResources(kResources, kResources, sizeof kResources / sizeof kResources[0]); }\n"
      << "  ~Registrar() { QjUnregisterModuleResources(kResources); }\n"
      << "} g_registrar;\n\n}  // namespace\n";
  std::ofstream file(outPath);
  file << out.str();
  if (!file) Fail("cannot write " + outPath);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "icons") == 0) return MakeIcons(argv[2], argv[3]);
  if (argc >= 4 && (std::strcmp(argv[1], "convert") == 0 || std::strcmp(argv[1], "check") == 0)) {
    std::vector<std::string> includes;
    for (int i = 4; i + 1 < argc; i += 2)
      if (std::strcmp(argv[i], "-I") == 0) includes.push_back(argv[i + 1]);
    return argv[1][1] == 'o' ? Convert(argv[2], argv[3], includes) : Check(argv[2], argv[3], includes);
  }
  std::cerr << "usage: rcconv icons <recipe> <outdir>\n"
               "       rcconv convert <file.rc> <out.cpp> [-I <dir>]...\n"
               "       rcconv check <file.rc> <windres.res> [-I <dir>]...\n";
  return 2;
}
