#pragma once
// A designer window on a template in a throwaway home folder, offscreen, with the boxes answered
// by the test, and helpers that press, drag and type on the design view as an operator does.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "core/line_file.h"
#include "designer/design_items.h"
#include "designer/design_surface.h"
#include "designer/design_view.h"
#include "designer/designer_window.h"
#include "gui/qt_app.h"
#include "report/bands.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"
#include "support/test_home.h"

namespace orvena::designer {

class DesignerFixture : public ::testing::Test {
 protected:
  DesignerFixture() { test::qt_app(); }

  static std::filesystem::path demo_template(const char* name) {
    return std::filesystem::path(ORVENA_SOURCE_DIR) / "examples/demo/Dane/Szablony" / name;
  }

  // The report loaded from the templates folder (copied there from the demo or written).
  report::Report& load(const std::string& name) {
    auto& r = *reports.emplace_back(std::make_unique<report::Report>());
    r.engine_options.new_silent_mode = report::SilentMode::Silent;
    r.load_from_file(home.home().templates() / name);
    return r;
  }
  report::Report& load_demo(const char* name = "kategorie.orp") {
    std::filesystem::copy_file(demo_template(name), home.home().templates() / name,
                               std::filesystem::copy_options::overwrite_existing);
    return load(name);
  }

  // The demo template with its dates set: a report read without them takes the time of reading,
  // so that two reads would never write the same bytes. A copy stays beside it, untouched.
  report::Report& load_dated_demo() {
    std::string bytes = core::read_file(demo_template("kategorie.orp"));
    const std::string root = "<TrpReport ";
    bytes.replace(bytes.find(root), root.size(),
                  root + "ReportOptions.CreateDate=\"46000,5\" ReportOptions.LastChange=\"46001,25\" ");
    for (const char* name : {"kategorie.orp", "kategorie_kopia.orp"})
      std::ofstream(home.home().templates() / name, std::ios::binary) << bytes;
    return load("kategorie.orp");
  }

  DesignerOptions options() {
    DesignerOptions o;
    o.templates = home.home().templates();
    o.prompts.show_error = [this](QWidget*, const QString& text) { errors << text; };
    o.prompts.inform = [this](QWidget*, const QString& text) { errors << text; };
    o.prompts.confirm = [this](QWidget*, const QString&, const QString& text) {
      confirmations << text;
      return answer_yes;
    };
    o.prompts.ask_text = [this](QWidget*, const QString&, const QString&) {
      if (names.empty()) return QString();
      QString a = names.front();
      names.pop_front();
      return a;
    };
    o.choose_item = [this](QWidget*, const QString&, const QString&, const QStringList& items) {
      offered = items;
      return choice;
    };
    o.prompts.choose_file = [this](QWidget*, const QString&, const QString&, const QString&, const QString&) {
      return chosen_file;
    };
    o.ask_save = [this](QWidget*, const QString&, const QString& text) {
      save_questions << text;
      return save_answer;
    };
    return o;
  }

  DesignerWindow& open(report::Report& r) {
    auto& w = *windows.emplace_back(std::make_unique<DesignerWindow>(r, options()));
    w.resize(1100, 800);
    w.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
    return w;
  }

  // Screen point of a report point given in band coordinates.
  static QPoint at(DesignerWindow& w, const report::Band& band, double x, double y) {
    return w.view().mapFromScene(w.surface().band_origin(band) + QPointF(x, y));
  }
  static QPoint centre_of(DesignerWindow& w, const report::View& v) {
    return at(w, *static_cast<report::Band*>(v.parent()), v.left() + v.width() / 2, v.top() + v.height() / 2);
  }

  static void drag(DesignerWindow& w, QPoint from, QPoint to, Qt::KeyboardModifiers mods = {}) {
    QWidget* vp = w.view().viewport();
    QTest::mousePress(vp, Qt::LeftButton, mods, from);
    // In steps, as a hand moves: the first step passes the drag distance.
    const QPoint d = to - from;
    for (int i = 1; i <= 4; ++i) QTest::mouseMove(vp, from + d * i / 4);
    QTest::mouseRelease(vp, Qt::LeftButton, mods, to);
  }
  static void click(DesignerWindow& w, QPoint p, Qt::KeyboardModifiers mods = {}) {
    QTest::mouseClick(w.view().viewport(), Qt::LeftButton, mods, p);
  }

  // Runs `answer` on the next modal dialog once it is open (the designer's dialogs are modal and
  // return only when answered). Gives up after about two seconds without one.
  static void when_modal(std::function<void(QWidget*)> answer, int tries = 200) {
    QTimer::singleShot(10, [answer = std::move(answer), tries] {
      if (QWidget* modal = QApplication::activeModalWidget()) return answer(modal);
      if (tries > 0) when_modal(answer, tries - 1);
    });
  }

  template <class T = report::View>
  static T& object(report::Report& r, const char* name) {
    auto* c = dynamic_cast<T*>(r.find_object(name));
    EXPECT_TRUE(c) << name;
    return *c;
  }

  std::string file_text(const std::string& name) const {
    return core::read_file(home.home().templates() / name);
  }

  test::TestHome home;
  std::vector<std::unique_ptr<report::Report>> reports;
  std::vector<std::unique_ptr<DesignerWindow>> windows;
  QStringList errors, confirmations, save_questions;
  QStringList offered;  // the items of the last choice asked
  QString choice;       // its answer ("" cancels)
  QString chosen_file;  // the file-open dialog's answer
  std::deque<QString> names;
  bool answer_yes = true;
  SaveAnswer save_answer = SaveAnswer::Save;
};

}  // namespace orvena::designer
