#include "model/peak_model_commands.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "core/arithmetic.h"
#include "core/dialog.h"
#include "core/display_settings.h"
#include "core/help_texts.h"
#include "core/number_format.h"
#include "core/user_interface.h"
#include "model/peak_model.h"

namespace pektra {

namespace {

// The shapes offered, in the order of the choice list.
constexpr std::array<int, 3> kSpecialTypes = {kModelGauss, kModelIaea, kModelDetector4};

int SpecialChoiceOf(int model_type) {
  const auto found = std::find(kSpecialTypes.begin(), kSpecialTypes.end(), model_type);
  return found == kSpecialTypes.end() ? 0 : static_cast<int>(found - kSpecialTypes.begin());
}

}  // namespace

void MakeSpecialPeakModel(TPeakModel& peak_model, const DisplaySettings& display,
                          UserInterface& ui) {
  DialogContent dialog = OpenDialogForm("Select special model type and number", 250, 330, 430);
  dialog.help_lines = HelpLines(HelpTopic::kStandardModels, display.rus_help);
  ShowLabel(dialog, 0, 30, 30, " Type ");
  ShowChoiceList(dialog, 0, 30, 55, 150, 90, {"Gauss", "IAEA", "Detector4"},
                 SpecialChoiceOf(peak_model.model_type));

  ui.ShowDialog(dialog);
  if (!dialog.ok) return;
  const int selected = dialog.choice_lists[0].selected;
  if (selected < 0 || selected >= static_cast<int>(kSpecialTypes.size())) return;

  // Built on a copy, so that a model that cannot be built leaves the present one in place.
  TPeakModel model = peak_model;
  model.model_type = kSpecialTypes[static_cast<std::size_t>(selected)];
  model.real_from_range = false;
  const Outcome outcome = model.BuildStandardModel();
  if (!outcome.ok) {
    ui.ShowNote(outcome.message);
    return;
  }
  peak_model = model;
}

Picture PeakModelPicture(const TPeakModel& model) {
  Picture picture;
  picture.width = 200;
  picture.height = 215;
  picture.background = colors::kGreen;  // the dialog's colour around the black field

  std::array<double, TPeakModel::kNodes + 1> v{};
  double vmax = -1e14, vmin = 1e14;
  for (int i = 1; i <= TPeakModel::kNodes; ++i) {
    v[static_cast<std::size_t>(i)] = 1000.0 * model.model_table[i];
    vmax = MaxD(vmax, v[static_cast<std::size_t>(i)]);
    vmin = MinD(vmin, v[static_cast<std::size_t>(i)]);
  }

  picture.Add(FillRect{2, 3, 198, 212, colors::kBlack});
  for (int k = 0; k <= 4; ++k) {
    picture.Add(DottedLine{1, 3.0 + 50 * k, 102, 2, false, colors::kLime});
  }
  const double range = MaxD(1e-6, vmax - vmin);
  for (int i = 1; i <= TPeakModel::kNodes; ++i) {
    const double y = RoundHalfEven(203.0 - 200.0 * (v[static_cast<std::size_t>(i)] - vmin) / range);
    picture.Add(PlusMark{4.0 + i, y, colors::kFuchsia});
  }
  for (int j = 1; j <= 4; ++j) {
    picture.Add(DottedLine{5.0 + 63 * (j - 1), -4, 57, 5, true, colors::kLime});
  }
  // Numbers in a margin, which also keeps the top of the curve whole: the height as a fraction
  // of the top at each grid line, the distance from the centre in FWHM under each tick.
  constexpr double kLeft = 46, kTop = 10;
  Picture framed = WithMargins(picture, kLeft, kTop, 6, 16, colors::kGreen);
  for (int k = 0; k <= 4; ++k) {
    const double value = vmax - k * range / 4;
    Text label{2, kTop + 50 * k - 3,
               FormatFixed(6, 2, std::fabs(vmax) > 0 ? value / std::fabs(vmax) : 0.0),
               colors::kWhite};
    label.size = 8;
    framed.Add(std::move(label));
  }
  for (int j = 1; j <= 4; ++j) {
    const int node = 1 + 63 * (j - 1);
    const double x = model.fwhm_steps > 0 ? (node - TPeakModel::kCentre) / model.fwhm_steps
                                          : static_cast<double>(node);
    Text label{kLeft + 5 + 63 * (j - 1) - 16, kTop + picture.height + 2, FormatFixed(5, 1, x),
               colors::kWhite};
    label.size = 8;
    framed.Add(std::move(label));
  }
  return framed;
}

void GraphPeakModel(const TPeakModel& peak_model, UserInterface& ui) {
  DialogContent dialog = OpenDialogForm(peak_model.Title(), 250, 330, 430, false);
  DialogPicture& area = dialog.pictures[0];
  area.visible = true;
  area.left = 20;
  area.top = 0;
  area.picture = PeakModelPicture(peak_model);
  ui.ShowDialog(dialog);
}

}  // namespace pektra
