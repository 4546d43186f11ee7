// A user interface for runs without anybody to ask (benchmarks, evaluation programs, fuzz
// targets): dialogs are confirmed as they are preset or cancelled, questions get fixed answers,
// notes go to a callback (or nowhere), pictures and status lines are dropped.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/user_interface.h"

namespace pektra {

struct SilentAnswers {
  bool confirm_dialogs = false;  // OK on every dialog, as preset; else Cancel
  bool yes = false;              // the answer to Yes/No questions
  bool ok = false;               // the answer to OK/Cancel questions
};

class SilentUserInterface : public UserInterface {
 public:
  explicit SilentUserInterface(SilentAnswers answers = {},
                               std::function<void(const std::string&)> on_note = {})
      : answers_(answers), on_note_(std::move(on_note)) {}

  void ShowNote(const std::string& text) override {
    if (on_note_) on_note_(text);
  }
  bool AskYesNo(const std::string&, bool) override { return answers_.yes; }
  bool AskOkCancel(const std::string&) override { return answers_.ok; }
  void ShowDialog(DialogContent& dialog) override { dialog.ok = answers_.confirm_dialogs; }
  std::optional<std::string> AskOpenFile(const FileQuestion&) override { return std::nullopt; }
  std::vector<std::string> AskOpenFiles(const FileQuestion&) override { return {}; }
  std::optional<std::string> AskSaveFile(const FileQuestion&) override { return std::nullopt; }
  GraphEvent WaitForGraphEvent() override { return {GraphEvent::Kind::kCancel, 0, 0}; }
  void ShowStatus(const std::string&, const std::string&) override {}
  void ShowPicture(PictureArea, const Picture&) override {}
  void ShowHelp(const std::vector<std::string>&) override {}

 private:
  SilentAnswers answers_;
  std::function<void(const std::string&)> on_note_;
};

}  // namespace pektra
