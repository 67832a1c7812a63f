#include "mainwindow/veskicons.h"

#include <QDir>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace glimr {

namespace {

struct TIconSpec {
  int Index;
  const char* ThemeName;  // freedesktop name, nullptr when none fits
  const char* Glyph;      // the drawn fallback's text
  QRgb Colour;
};

// Positions of allImages as the action table uses them.
constexpr TIconSpec kIcons[] = {
    {1, "bookmark-new", "C", 0xff8e44ad},
    {2, "list-add", "+", 0xff27ae60},
    {3, "folder-new", "++", 0xff27ae60},
    {4, "document-properties", "Aa", 0xff2980b9},
    {5, "list-remove", "-", 0xffc0392b},
    {6, "edit-clear", "x", 0xffc0392b},
    {7, "folder", "Ca", 0xffe67e22},
    {8, "bookmark-new", "Ct", 0xff8e44ad},
    {9, "document-properties", "i", 0xff2980b9},
    {10, "emblem-photos", "IB", 0xff16a085},
    {11, "edit-select-all", "all", 0xff34495e},
    {12, nullptr, "0", 0xff34495e},
    {13, nullptr, "~", 0xff34495e},
    {14, nullptr, "::", 0xff34495e},
    {15, nullptr, "[]", 0xff34495e},
    {16, nullptr, "::", 0xff34495e},
    {17, nullptr, "=", 0xff34495e},
    {18, nullptr, "|=", 0xff34495e},
    {19, nullptr, "IB+", 0xff16a085},
    {20, nullptr, "IB>", 0xff16a085},
    {21, "edit-cut", "cut", 0xff7f8c8d},
    {22, "edit-copy", "cp", 0xff7f8c8d},
    {23, "edit-paste", "pa", 0xff7f8c8d},
    {24, "edit-delete", "del", 0xffc0392b},
    {25, nullptr, "ren", 0xff7f8c8d},
    {33, "go-previous", "<", 0xff2c3e50},
    {34, "go-next", ">", 0xff2c3e50},
    {35, "object-rotate-left", "<)", 0xff2c3e50},
    {36, "object-rotate-right", "(>", 0xff2c3e50},
    {37, "object-flip-horizontal", "<>", 0xff2c3e50},
    {38, "object-flip-vertical", "^v", 0xff2c3e50},
    {39, "zoom-in", "Z", 0xff2c3e50},
    {40, "preferences-system", "O", 0xff7f8c8d},
    {41, "edit-clear", "cc", 0xff7f8c8d},
    {42, "help-about", "?", 0xff2980b9},
    {43, "folder-open", "Op", 0xffe67e22},
    {44, "non-starred", "0*", 0xfff1c40f},
    {45, "starred", "1*", 0xfff1c40f},
    {46, "starred", "2*", 0xfff1c40f},
    {47, "starred", "3*", 0xfff1c40f},
    {48, "starred", "4*", 0xfff1c40f},
    {49, "starred", "5*", 0xfff1c40f},
    {50, "edit-find", "F", 0xff16a085},
    {55, "web-browser", "www", 0xff2980b9},
    {56, "mail-send", "@", 0xff2980b9},
    {57, "go-first", "<<", 0xff34495e},
    {58, "window-close", "x", 0xff34495e},
    {59, "go-last", ">>", 0xff34495e},
    {60, "go-previous", "<", 0xff2980b9},
    {61, "go-next", ">", 0xff2980b9},
    {62, "go-up", "^", 0xff2980b9},
    {63, "edit-copy", "->", 0xff7f8c8d},
    {64, "edit-cut", "=>", 0xff7f8c8d},
    {68, "system-search", "S", 0xff16a085},
    {69, "system-search", "S", 0xff16a085},
};

// The ribbon buttons' positions in allImages' order of meaning.
constexpr int kRibbonButtonIcons[7] = {33, 34, 35, 36, 37, 38, 39};

const TIconSpec* Spec(int index) {
  for (const TIconSpec& s : kIcons) {
    if (s.Index == index) {
      return &s;
    }
  }
  return nullptr;
}

QPixmap DrawGlyph(const QString& glyph, QColor colour, int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath frame;
  frame.addRoundedRect(QRectF(1, 1, size - 2, size - 2), size / 5.0, size / 5.0);
  p.fillPath(frame, colour);
  p.setPen(Qt::white);
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(std::max(6, size * (glyph.size() > 2 ? 4 : 6) / 12));
  p.setFont(f);
  p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, glyph);
  return pm;
}

}  // namespace

void EnsureIconTheme() {
  if (QIcon::hasThemeIcon(QStringLiteral("go-previous"))) {
    return;
  }
  for (const QString& dir : QIcon::themeSearchPaths()) {
    if (QDir(dir + QStringLiteral("/Adwaita")).exists()) {
      QIcon::setThemeName(QStringLiteral("Adwaita"));
      return;
    }
  }
}

QIcon DrawnIcon(int index) {
  const TIconSpec* s = Spec(index);
  if (!s) {
    return {};
  }
  QIcon icon;
  for (int size : {16, 24, 32, 48}) {
    icon.addPixmap(DrawGlyph(QString::fromLatin1(s->Glyph), QColor::fromRgba(s->Colour), size));
  }
  return icon;
}

QIcon VeskIcon(int index) {
  static QHash<int, QIcon> cache;
  if (index < 0) {
    return {};
  }
  auto it = cache.constFind(index);
  if (it != cache.constEnd()) {
    return *it;
  }
  const TIconSpec* s = Spec(index);
  QIcon icon;
  if (s && s->ThemeName) {
    icon = QIcon::fromTheme(QString::fromLatin1(s->ThemeName));
  }
  if (icon.isNull()) {
    icon = DrawnIcon(index);
  }
  cache.insert(index, icon);
  return icon;
}

QIcon RibbonButtonIcon(int index) {
  return index >= 0 && index < 7 ? VeskIcon(kRibbonButtonIcons[index]) : QIcon();
}

}  // namespace glimr
