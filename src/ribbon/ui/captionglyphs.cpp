#include "ribbon/ui/captionglyphs.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QFontMetricsF>
#include <QPainterPath>

#include <array>
#include <deque>
#include <vector>

namespace glimr {

namespace {

// Glyph outlines are taken at this pixel size and scaled down to em units.
constexpr double kOutlinePixels = 256.0;

struct TTessState {
  std::deque<std::array<GLdouble, 3>> combined;  // vertices made by the tessellator
};

void GLAPIENTRY TessBegin(GLenum type) {
  glBegin(type);
}
void GLAPIENTRY TessEnd() {
  glEnd();
}
void GLAPIENTRY TessVertex(void* data) {
  glVertex3dv(static_cast<const GLdouble*>(data));
}
void GLAPIENTRY TessCombine(GLdouble coords[3], void* [4], GLfloat[4], void** out, void* user) {
  auto* state = static_cast<TTessState*>(user);
  state->combined.push_back({coords[0], coords[1], coords[2]});
  *out = state->combined.back().data();
}
void GLAPIENTRY TessError(GLenum) {}
// With an edge flag callback the tessellator hands out independent
// triangles in one GL_TRIANGLES primitive instead of many small fans and
// strips: the same triangles, but one draw per glyph when the list runs.
void GLAPIENTRY TessEdgeFlag(GLboolean) {}

using TessCallback = void(GLAPIENTRY*)();

}  // namespace

TCaptionGlyphs::~TCaptionGlyphs() = default;

void TCaptionGlyphs::Release() {
  if (base_ != 0) {
    glDeleteLists(base_, kPrebuilt);
    base_ = 0;
  }
  for (auto it = extra_.cbegin(); it != extra_.cend(); ++it) {
    glDeleteLists(it.value(), 1);
  }
  extra_.clear();
}

void TCaptionGlyphs::Build(const QFont& font) {
  Release();
  font_ = font;
  font_.setPixelSize(static_cast<int>(kOutlinePixels));
  base_ = glGenLists(kPrebuilt);
  if (base_ == 0) {
    return;
  }
  for (int c = 0; c < kPrebuilt; ++c) {
    Compile(base_ + c, static_cast<char32_t>(c));
  }
}

void TCaptionGlyphs::Compile(std::uint32_t list, char32_t code) {
  const QString text = QString::fromUcs4(&code, 1);
  const QFontMetricsF fm(font_);
  const double advance =
      (code < 32 || (code >= 0x7f && code < 0xa0)) ? 0.0 : fm.horizontalAdvance(text);
  QPainterPath path;
  if (advance > 0.0 && !text.trimmed().isEmpty()) {
    path.addText(0, 0, font_, text);
  }
  const QList<QPolygonF> polygons = path.toSubpathPolygons();
  // Every vertex handed to the tessellator must stay where it is until the
  // polygon ends, so all of them are stored before the first is passed on.
  std::size_t total = 0;
  for (const QPolygonF& poly : polygons) {
    total += static_cast<std::size_t>(poly.size());
  }
  std::vector<std::array<GLdouble, 3>> vertices;
  vertices.reserve(total);
  TTessState state;

  glNewList(list, GL_COMPILE);
  if (total > 0) {
    GLUtesselator* tess = gluNewTess();
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tess, 0, 0, 1);
    gluTessCallback(tess, GLU_TESS_BEGIN, reinterpret_cast<TessCallback>(&TessBegin));
    gluTessCallback(tess, GLU_TESS_END, reinterpret_cast<TessCallback>(&TessEnd));
    gluTessCallback(tess, GLU_TESS_VERTEX, reinterpret_cast<TessCallback>(&TessVertex));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<TessCallback>(&TessCombine));
    gluTessCallback(tess, GLU_TESS_ERROR, reinterpret_cast<TessCallback>(&TessError));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG, reinterpret_cast<TessCallback>(&TessEdgeFlag));
    gluTessBeginPolygon(tess, &state);
    for (const QPolygonF& poly : polygons) {
      gluTessBeginContour(tess);
      // The last point repeats the first in closed subpaths.
      const int n = poly.size() > 1 && poly.first() == poly.last() ? poly.size() - 1 : poly.size();
      for (int i = 0; i < n; ++i) {
        vertices.push_back({poly[i].x() / kOutlinePixels, -poly[i].y() / kOutlinePixels, 0.0});
        gluTessVertex(tess, vertices.back().data(), vertices.back().data());
      }
      gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
  }
  glTranslated(advance / kOutlinePixels, 0, 0);
  glEndList();
}

std::uint32_t TCaptionGlyphs::ListFor(char32_t code) {
  if (code < static_cast<char32_t>(kPrebuilt)) {
    return base_ != 0 ? base_ + code : 0;
  }
  auto it = extra_.constFind(code);
  if (it != extra_.cend()) {
    return it.value();
  }
  const std::uint32_t list = glGenLists(1);
  if (list != 0) {
    Compile(list, code);
    extra_.insert(code, list);
  }
  return list;
}

void TCaptionGlyphs::Draw(const QString& text) {
  if (base_ == 0) {
    return;
  }
  const QList<uint> codes = text.toUcs4();
  for (uint c : codes) {
    const std::uint32_t list = ListFor(static_cast<char32_t>(c));
    if (list != 0) {
      glCallList(list);
    }
  }
}

}  // namespace glimr
