// The report designer on large pages: opening a template of 2,000 objects until its first view
// is painted, and the repaint after a one-object drag on a page of 1,000 objects (what a drag
// costs per frame). Offscreen.
//
//   QT_QPA_PLATFORM=offscreen build/bench/designer_bench
#include <benchmark/benchmark.h>

#if ORVENA_GUI
#include <QApplication>
#include <QUndoStack>
#include <cstdlib>
#include <string>

#include "designer/commands.h"
#include "designer/design_surface.h"
#include "designer/design_view.h"
#include "designer/designer_window.h"
#include "report/report.h"
#include "report/views.h"

namespace {

using namespace orvena;

QApplication& app() {
  static int argc = 1;
  static char name[] = "designer_bench";
  static char* argv[] = {name, nullptr};
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication* a = new QApplication(argc, argv);
  return *a;
}

// One A4 page: 25 data bands of `objects / 25` framed text objects in rows of ten, 16 high.
std::string template_of(int objects) {
  const int per_band = objects / 25, rows = (per_band + 9) / 10;
  std::string t =
      "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n<TrpReport Version=\"2.4.0\">\r\n"
      "  <TrpReportPage Name=\"Page1\" PaperWidth=\"210\" PaperHeight=\"297\" PaperSize=\"9\" "
      "LeftMargin=\"10\" "
      "RightMargin=\"10\" TopMargin=\"10\" BottomMargin=\"10\">\r\n";
  int n = 0;
  for (int b = 0; b < 25; ++b) {
    t += "    <TrpMasterData Name=\"Band" + std::to_string(b) + "\" Height=\"" + std::to_string(rows * 16) +
         "\" Left=\"0\" Top=\"" + std::to_string(b * (rows * 16 + 4)) + "\" Width=\"718\">\r\n";
    for (int i = 0; i < per_band; ++i, ++n)
      t += "      <TrpMemoView Name=\"M" + std::to_string(n) + "\" Left=\"" + std::to_string(i % 10 * 71) +
           "\" Top=\"" + std::to_string(i / 10 * 16) +
           "\" Width=\"70\" Height=\"16\" Font.Name=\"Arial\" Frame.Typ=\"15\" Text=\"Pole " +
           std::to_string(n) + "\"/>\r\n";
    t += "    </TrpMasterData>\r\n";
  }
  return t + "  </TrpReportPage>\r\n</TrpReport>\r\n";
}

designer::DesignerOptions quiet_options() {
  designer::DesignerOptions o;
  o.ask_save = [](QWidget*, const QString&, const QString&) { return designer::SaveAnswer::Discard; };
  return o;
}

void BM_OpenToFirstPaint(benchmark::State& state) {
  app();
  const std::string bytes = template_of(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    report::Report r;
    r.load_from_stream(bytes);
    designer::DesignerWindow w(r, quiet_options());
    w.resize(1100, 800);
    w.show();
    // The view as it first appears on screen: every object in sight drawn by the engine.
    QPixmap shown = w.view().viewport()->grab();
    benchmark::DoNotOptimize(shown);
    state.PauseTiming();
    w.undo_stack().setClean();
    w.close();
    state.ResumeTiming();
  }
  state.counters["objects"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_OpenToFirstPaint)->Arg(2000)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_DragRepaint(benchmark::State& state) {
  app();
  report::Report r;
  r.load_from_stream(template_of(static_cast<int>(state.range(0))));
  designer::DesignerWindow w(r, quiet_options());
  w.resize(1100, 800);
  w.show();
  QApplication::processEvents();
  w.view().viewport()->grab();
  auto* moved = dynamic_cast<report::View*>(r.find_object("M55"));
  double step = 4;
  for (auto _ : state) {
    // A drag ends: one command moves the object, and the view repaints what changed.
    const designer::Box before = designer::box_of(*moved);
    designer::Box after = before;
    after.left += step;
    step = -step;
    w.undo_stack().push(new designer::GeometryCommand("Przesunięcie", w.surface(), {{moved, before, after}}));
    QApplication::processEvents();
  }
  state.counters["objects"] = static_cast<double>(state.range(0));
  w.undo_stack().setClean();
}
BENCHMARK(BM_DragRepaint)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
#endif

BENCHMARK_MAIN();
