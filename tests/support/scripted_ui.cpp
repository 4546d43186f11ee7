#include "support/scripted_ui.h"

#include <gtest/gtest.h>

#include "core/number_format.h"

namespace pektra::testing {

namespace {
const char* AnswerName(std::size_t index) {
  static const char* const kNames[] = {"a Yes/No answer", "an OK/Cancel answer", "a dialog answer",
                                       "a file answer",   "a files answer",      "a graph event"};
  return index < std::size(kNames) ? kNames[index] : "an answer";
}
}  // namespace

ScriptedUi::~ScriptedUi() {
  if (!answers_.empty()) {
    ADD_FAILURE() << answers_.size() << " scripted answer(s) were never asked for; the first is "
                  << AnswerName(answers_.front().index());
  }
}

ScriptedUi& ScriptedUi::AnswerYes() {
  answers_.emplace_back(YesNo{true});
  return *this;
}
ScriptedUi& ScriptedUi::AnswerNo() {
  answers_.emplace_back(YesNo{false});
  return *this;
}
ScriptedUi& ScriptedUi::AnswerOk() {
  answers_.emplace_back(OkCancel{true});
  return *this;
}
ScriptedUi& ScriptedUi::AnswerCancel() {
  answers_.emplace_back(OkCancel{false});
  return *this;
}
ScriptedUi& ScriptedUi::AnswerDialog(std::function<void(DialogContent&)> fill) {
  answers_.emplace_back(DialogAnswer{std::move(fill), true});
  return *this;
}
ScriptedUi& ScriptedUi::CancelDialog() {
  answers_.emplace_back(DialogAnswer{{}, false});
  return *this;
}
ScriptedUi& ScriptedUi::AnswerFile(std::string path) {
  answers_.emplace_back(FileAnswer{std::move(path)});
  return *this;
}
ScriptedUi& ScriptedUi::CancelFile() {
  answers_.emplace_back(FileAnswer{});
  return *this;
}
ScriptedUi& ScriptedUi::AnswerFiles(std::vector<std::string> paths) {
  answers_.emplace_back(FilesAnswer{std::move(paths)});
  return *this;
}
ScriptedUi& ScriptedUi::Click(int x, int y) {
  answers_.emplace_back(GraphAnswer{GraphEvent{GraphEvent::Kind::kClick, x, y}});
  return *this;
}
ScriptedUi& ScriptedUi::PressGraphOk() {
  answers_.emplace_back(GraphAnswer{GraphEvent{GraphEvent::Kind::kOk, 0, 0}});
  return *this;
}
ScriptedUi& ScriptedUi::PressGraphCancel() {
  answers_.emplace_back(GraphAnswer{GraphEvent{GraphEvent::Kind::kCancel, 0, 0}});
  return *this;
}

template <typename T>
std::optional<T> ScriptedUi::Take(const std::string& what) {
  if (answers_.empty()) {
    ADD_FAILURE() << "the command asked " << what << " but the script has no answer left";
    return std::nullopt;
  }
  if (!std::holds_alternative<T>(answers_.front())) {
    ADD_FAILURE() << "the command asked " << what << " but the script's next answer is "
                  << AnswerName(answers_.front().index());
    return std::nullopt;
  }
  T answer = std::get<T>(std::move(answers_.front()));
  answers_.pop_front();
  return answer;
}

std::vector<std::string> ScriptedUi::Texts(Event::Kind kind) const {
  std::vector<std::string> texts;
  for (const Event& event : events_) {
    if (event.kind == kind) texts.push_back(event.text);
  }
  return texts;
}

void ScriptedUi::ShowNote(const std::string& text) {
  events_.push_back({Event::Kind::kNote, text});
}

bool ScriptedUi::AskYesNo(const std::string& text, bool /*warning*/) {
  events_.push_back({Event::Kind::kYesNo, text});
  const auto answer = Take<YesNo>("the Yes/No question \"" + text + "\"");
  return answer && answer->yes;
}

bool ScriptedUi::AskOkCancel(const std::string& text) {
  events_.push_back({Event::Kind::kOkCancel, text});
  const auto answer = Take<OkCancel>("the OK/Cancel question \"" + text + "\"");
  return answer && answer->ok;
}

void ScriptedUi::ShowDialog(DialogContent& dialog) {
  events_.push_back({Event::Kind::kDialog, dialog.title});
  dialogs_.push_back(dialog);
  dialog.saved = false;
  auto answer = Take<DialogAnswer>("the dialog \"" + dialog.title + "\"");
  if (!answer) {
    dialog.ok = false;
    return;
  }
  dialog.ok = answer->ok;
  if (answer->ok && answer->fill) answer->fill(dialog);
}

std::optional<std::string> ScriptedUi::AskOpenFile(const FileQuestion& question) {
  events_.push_back({Event::Kind::kOpenFile, question.title});
  file_questions_.push_back(question);
  const auto answer = Take<FileAnswer>("the open-file question \"" + question.title + "\"");
  return answer ? answer->path : std::nullopt;
}

std::vector<std::string> ScriptedUi::AskOpenFiles(const FileQuestion& question) {
  events_.push_back({Event::Kind::kOpenFiles, question.title});
  file_questions_.push_back(question);
  auto answer = Take<FilesAnswer>("the open-files question \"" + question.title + "\"");
  return answer ? answer->paths : std::vector<std::string>{};
}

std::optional<std::string> ScriptedUi::AskSaveFile(const FileQuestion& question) {
  events_.push_back({Event::Kind::kSaveFile, question.title});
  file_questions_.push_back(question);
  const auto answer = Take<FileAnswer>("the save-file question \"" + question.title + "\"");
  return answer ? answer->path : std::nullopt;
}

GraphEvent ScriptedUi::WaitForGraphEvent() {
  events_.push_back({Event::Kind::kGraphWait, {}});
  const auto answer = Take<GraphAnswer>("for a click on the graph");
  return answer ? answer->event : GraphEvent{};
}

void ScriptedUi::ShowStatus(const std::string& line1, const std::string& line2) {
  events_.push_back({Event::Kind::kStatus, line1 + "\n" + line2});
  statuses_.push_back({line1, line2});
}

void ScriptedUi::ShowPicture(PictureArea area, const Picture& picture) {
  events_.push_back({Event::Kind::kPicture, {}});
  pictures_.emplace_back(area, picture);
}

void ScriptedUi::ShowHelp(const std::vector<std::string>& lines) {
  events_.push_back({Event::Kind::kHelp, lines.empty() ? std::string() : lines.front()});
  help_texts_.push_back(lines);
}

void ScriptedUi::ClearForm() { events_.push_back({Event::Kind::kClearForm, {}}); }

void ScriptedUi::DisplaySettingsChanged(const DisplaySettings& settings) {
  events_.push_back({Event::Kind::kDisplaySettings, FormatShortest(settings.screen_scale) + " " +
                                                        std::to_string(settings.font_size) + " " +
                                                        (settings.rus_help ? "1" : "0")});
}

bool ScriptedUi::SavePictureFile(const Picture& picture, const std::string& file_name) {
  events_.push_back({Event::Kind::kSavedPicture, file_name});
  if (fail_picture_saves_) return false;
  saved_pictures_.emplace_back(file_name, picture);
  return true;
}

void ScriptedUi::ShowGraphButtons(const GraphButtons& buttons) {
  events_.push_back({Event::Kind::kGraphButtons, {}});
  graph_buttons_.push_back(buttons);
}

void ScriptedUi::ShowHint(const std::string& text, int /*left*/, int /*top*/, Color /*color*/) {
  events_.push_back({Event::Kind::kHint, text});
}

void ScriptedUi::MenusChanged() {
  events_.push_back({Event::Kind::kMenus, {}});
  if (on_menus_changed_) on_menus_changed_();
}

void ScriptedUi::ShowFitDisplay(const FitDisplayView& view) {
  events_.push_back({Event::Kind::kFitDisplay, {}});
  fit_displays_.push_back(view);
}

void ScriptedUi::ShowWaitWindow(const std::string& caption) {
  events_.push_back({Event::Kind::kWaitWindow, caption});
}

}  // namespace pektra::testing
