// Frame time of the four ribbon frame variants at 800 x 420 with nine slots,
// reflections, captions, a halo and the per-frame pick, and the number of
// frames drawn during one glide to a neighbour. Run under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x1024x24" bench_ribbon

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>

#include "fakeribbonmodel.h"
#include "ribbon/ui/glpanel.h"
#include "ribbon/ui/ribbonview.h"

using namespace glimr;

namespace {

struct TScene {
  TScene() {
    for (int i = 0; i < 40; ++i) {
      const QString name = QString("photo_%1.jpg").arg(i, 3, 10, QChar('0'));
      model.AddFile(name);
      model.AddThumb("/pics/" + name, 1600, 1200 - 40 * (i % 5),
                     QColor::fromHsv((i * 37) % 360, 160, 220));
      model.Files.back().Selected = i % 3 == 0;
    }
    model.Focused = 20;
    panel.resize(800, 420);
    view = std::make_unique<TRibbonView>(panel, model, TRibbonSettings());
    TRibbon& r = view->Ribbon();
    r.CurrentIndex = r.TargetIndex = 20;
    r.CurrentPosition = r.ViewPosition = 40.0;
    panel.show();
    while (!panel.IsInitialized()) {
      QCoreApplication::processEvents();
    }
    view->PrepareScene();
    // The mouse over the right neighbour: every frame picks and draws a halo.
    QMouseEvent move(QEvent::MouseMove, QPointF(600, 210), QPointF(600, 210), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&panel, &move);
  }
  TFakeRibbonModel model;
  TGlPanel panel;
  std::unique_ptr<TRibbonView> view;
};

// Made after and destroyed before the application object.
std::unique_ptr<TScene> gScene;
TScene& Scene() {
  if (!gScene) {
    gScene = std::make_unique<TScene>();
  }
  return *gScene;
}

void BM_RenderProc(benchmark::State& state) {
  TScene& s = Scene();
  TRibbonSettings settings;
  settings.AntialiasingThumbEnabled = (state.range(0) & 1) != 0;
  settings.AntialiasingTextEnabled = (state.range(0) & 2) != 0;
  s.view->SetSettings(settings);
  s.view->RenderNow();  // warm: textures resident, FBOs made
  for (auto _ : state) {
    s.view->RenderNow();
  }
  state.SetLabel(state.range(0) == 0   ? "plain"
                 : state.range(0) == 1 ? "thumbnails antialiased"
                 : state.range(0) == 2 ? "captions antialiased"
                                       : "both antialiased");
}
BENCHMARK(BM_RenderProc)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

// One glide to the next entry through the real timers and Qt's painting.
void BM_GlideToNeighbour(benchmark::State& state) {
  TScene& s = Scene();
  TRibbonSettings settings;
  settings.AntialiasingThumbEnabled = (state.range(0) & 1) != 0;
  settings.AntialiasingTextEnabled = (state.range(0) & 2) != 0;
  s.view->SetSettings(settings);
  double frames = 0;
  double glides = 0;
  int direction = 1;
  for (auto _ : state) {
    const std::int64_t before = s.view->FramesDrawn();
    s.model.Focused += direction;
    direction = -direction;
    s.view->ScrollImagesToFocused();
    while (s.view->IsGliding()) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    QCoreApplication::processEvents();
    frames += static_cast<double>(s.view->FramesDrawn() - before);
    glides += 1;
  }
  state.counters["frames_per_glide"] = frames / glides;
}
BENCHMARK(BM_GlideToNeighbour)
    ->Arg(0)
    ->Arg(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(6);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  gScene.reset();
  return 0;
}
