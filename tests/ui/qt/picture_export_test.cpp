// Pictures saved as SVG: the large graph as shown and a picture of the fit display, by the file
// name's extension, as one well-formed document with the picture's texts in it.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <filesystem>
#include <string>

#include "state/analysis_state.h"
#include "support/test_files.h"
#include "ui/graphs.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_user_interface.h"

namespace pektra {
namespace {

// The texts of an SVG document, or "not well-formed" when it does not parse.
std::string SvgTexts(const std::string& document) {
  QXmlStreamReader xml(QByteArray::fromStdString(document));
  std::string texts;
  int svg_elements = 0;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement() && xml.name() == QStringLiteral("svg")) ++svg_elements;
    if (xml.isCharacters() && !xml.isWhitespace())
      texts += xml.text().toString().toStdString() + "|";
  }
  if (xml.hasError() || svg_elements != 1) return "not well-formed";
  return texts;
}

TEST(PictureExport, SvgByTheExtensionHoldsTheTextsOfThePictureShown) {
  testing::TempDir dir;
  AnalysisState state;
  TForm1 window(state);
  QtUserInterface ui(window, 1.5, 10);
  TSpectrum& sp = state.spectrum;
  sp.a1 = sp.b1 = 1;
  sp.a2 = sp.b2 = 512;
  for (int c = 1; c <= 512; ++c) sp.counts[c] = c == 200 ? 700 : 30;
  sp.UpdateRange();
  state.view.spectrum_read = true;
  sp.file_name = "/data/eu152 & co.spe";
  GraphTheSpectrum(state, ui);

  // The large graph as shown: an SVG document, also for ".SVG"; BMP stays BMP.
  const std::string svg = dir.File("sp.SVG");
  ASSERT_TRUE(ui.SavePicture(PictureArea::kLargeGraph, svg));
  const std::string document = testing::ReadFile(svg);
  EXPECT_EQ(document.substr(0, 5), "<?xml");
  EXPECT_NE(document.find("<svg"), std::string::npos);
  EXPECT_NE(document.find("viewBox=\"0 0 945 636\""), std::string::npos);  // 630 x 424 at 1.5
  const std::string texts = SvgTexts(document);
  EXPECT_NE(texts.find("SPECTRUM ="), std::string::npos) << texts;
  EXPECT_NE(texts.find("152 & co.spe"), std::string::npos) << texts;  // escaped, read back
  EXPECT_NE(texts.find("MAX  ="), std::string::npos) << texts;
  EXPECT_NE(texts.find("Chan.:"), std::string::npos) << texts;
  // Drawn again from the SVG it is the picture shown, but for the edges of its texts.
  QImage drawn(945, 636, QImage::Format_RGB32);
  drawn.fill(Qt::white);
  {
    QSvgRenderer renderer(QByteArray::fromStdString(document));
    ASSERT_TRUE(renderer.isValid());
    QPainter painter(&drawn);
    renderer.render(&painter);
  }
  const QImage& shown = window.large_graph();
  ASSERT_EQ(shown.size(), drawn.size());
  // Inside the plot (points and dotted lines, no text) pixel for pixel.
  int differ = 0;
  for (int y = 150; y < 540; ++y) {
    for (int x = 90; x < 860; ++x) differ += shown.pixel(x, y) != drawn.pixel(x, y);
  }
  EXPECT_LT(differ, 20);
  // Each white text pixel has a light one beside it: the texts are as large and where they are.
  int white = 0, missed = 0;
  for (int y = 1; y + 1 < shown.height(); ++y) {
    for (int x = 1; x + 1 < shown.width(); ++x) {
      if (shown.pixel(x, y) != qRgb(255, 255, 255)) continue;
      ++white;
      bool near = false;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) near = near || qGray(drawn.pixel(x + dx, y + dy)) > 160;
      }
      missed += !near;
    }
  }
  EXPECT_GT(white, 500);
  EXPECT_LT(missed, white / 10) << missed << " of " << white;

  ASSERT_TRUE(ui.SavePicture(PictureArea::kLargeGraph, dir.File("sp.bmp")));
  EXPECT_EQ(testing::ReadFile(dir.File("sp.bmp")).substr(0, 2), "BM");
  EXPECT_EQ(QImage(QString::fromStdString(dir.File("sp.bmp"))).size(), QSize(945, 636));

  // A picture of the fit display (Fit -> BMP+File) likewise.
  Picture fit;
  fit.width = 320;
  fit.height = 264;
  fit.Add(Text{3, 3, "7250", colors::kYellow});
  fit.Add(Polyline{{10, 50, 90}, {200, 20, 200}, colors::kAqua});
  fit.Add(Pixel{5, 5, colors::kRed});
  ASSERT_TRUE(ui.SavePictureFile(fit, dir.File("a.svg")));
  EXPECT_EQ(SvgTexts(testing::ReadFile(dir.File("a.svg"))), "PEKTRA|A picture of PEKTRA|7250|");

  // Points are filled together, not one element each: 4096 marks stay a small file.
  Picture many;
  many.width = 630;
  many.height = 424;
  for (int c = 0; c < 4096; ++c)
    many.Add(PlusMark{60 + c / 8.0, 100.0 + (c * 37) % 240, colors::kFuchsia});
  ASSERT_TRUE(ui.SavePictureFile(many, dir.File("many.svg")));
  const std::string many_document = testing::ReadFile(dir.File("many.svg"));
  EXPECT_NE(SvgTexts(many_document), "not well-formed");
  EXPECT_LT(many_document.size(), 400000u) << many_document.size();

  // Nothing is left behind where the file cannot be written.
  const std::string nowhere = dir.File("missing/a.svg");
  EXPECT_FALSE(ui.SavePictureFile(fit, nowhere));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
}

}  // namespace
}  // namespace pektra
