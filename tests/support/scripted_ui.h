// A scripted user interface for command-flow tests: it answers questions, dialogs, file questions
// and graph waits from a queue that the test fills beforehand, and records everything the command
// showed. A question that the script did not foresee fails the test and is answered No / Cancel.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/user_interface.h"

namespace pektra::testing {

class ScriptedUi : public UserInterface {
 public:
  // What the command asked or showed, in order.
  struct Event {
    enum class Kind {
      kNote,
      kYesNo,
      kOkCancel,
      kDialog,
      kOpenFile,
      kOpenFiles,
      kSaveFile,
      kGraphWait,
      kStatus,
      kPicture,
      kHelp,
      kGraphButtons,
      kHint,
      kMenus,
      kFitDisplay,
      kWaitWindow,
      kSavedPicture,
      kClearForm,
      kDisplaySettings
    };
    Kind kind;
    std::string text;  // message, question, dialog title, file question title, status lines,
                       // hint, wait-window caption, saved picture's file name
  };

  ~ScriptedUi() override;

  // Scripting the answers, in the order the command will need them.
  ScriptedUi& AnswerYes();
  ScriptedUi& AnswerNo();
  ScriptedUi& AnswerOk();
  ScriptedUi& AnswerCancel();
  // The dialog is shown to `fill`, which plays the user: it may change selections, cells, the memo
  // or the text field, press Save (PressSave) or set `ok` false. `ok` is true unless it does.
  ScriptedUi& AnswerDialog(std::function<void(DialogContent&)> fill = {});
  ScriptedUi& CancelDialog();
  ScriptedUi& AnswerFile(std::string path);
  ScriptedUi& CancelFile();
  ScriptedUi& AnswerFiles(std::vector<std::string> paths);
  ScriptedUi& Click(int x, int y);
  ScriptedUi& PressGraphOk();
  ScriptedUi& PressGraphCancel();

  // True when every scripted answer was used.
  bool AllAnswersUsed() const { return answers_.empty(); }

  // What was recorded.
  const std::vector<Event>& events() const { return events_; }
  std::vector<std::string> Texts(Event::Kind kind) const;
  std::vector<std::string> notes() const { return Texts(Event::Kind::kNote); }
  const std::vector<std::array<std::string, 2>>& statuses() const { return statuses_; }
  // Dialogs as the command prepared them, before the scripted user changed anything.
  const std::vector<DialogContent>& dialogs() const { return dialogs_; }
  const std::vector<FileQuestion>& file_questions() const { return file_questions_; }
  const std::vector<std::pair<PictureArea, Picture>>& pictures() const { return pictures_; }
  const std::vector<std::vector<std::string>>& help_texts() const { return help_texts_; }
  const std::vector<FitDisplayView>& fit_displays() const { return fit_displays_; }
  const std::vector<GraphButtons>& graph_buttons() const { return graph_buttons_; }
  // Pictures saved with SavePictureFile, with their file names.
  const std::vector<std::pair<std::string, Picture>>& saved_pictures() const {
    return saved_pictures_;
  }
  // Calls `probe` at every MenusChanged, so that a test can see the enabling in the middle of a
  // command.
  void OnMenusChanged(std::function<void()> probe) { on_menus_changed_ = std::move(probe); }
  // SavePictureFile answers false from now on (a file that cannot be written).
  void FailPictureSaves() { fail_picture_saves_ = true; }

  // UserInterface.
  void ShowNote(const std::string& text) override;
  bool AskYesNo(const std::string& text, bool warning) override;
  bool AskOkCancel(const std::string& text) override;
  void ShowDialog(DialogContent& dialog) override;
  std::optional<std::string> AskOpenFile(const FileQuestion& question) override;
  std::vector<std::string> AskOpenFiles(const FileQuestion& question) override;
  std::optional<std::string> AskSaveFile(const FileQuestion& question) override;
  GraphEvent WaitForGraphEvent() override;
  void ShowStatus(const std::string& line1, const std::string& line2) override;
  void ShowPicture(PictureArea area, const Picture& picture) override;
  void ShowHelp(const std::vector<std::string>& lines) override;
  void ClearForm() override;
  // Recorded as "<scale> <font size> <rus_help>".
  void DisplaySettingsChanged(const DisplaySettings& settings) override;
  bool SavePictureFile(const Picture& picture, const std::string& file_name) override;
  void ShowGraphButtons(const GraphButtons& buttons) override;
  void ShowHint(const std::string& text, int left, int top, Color color) override;
  void MenusChanged() override;
  void ShowFitDisplay(const FitDisplayView& view) override;
  void ShowWaitWindow(const std::string& caption) override;

 private:
  struct YesNo {
    bool yes;
  };
  struct OkCancel {
    bool ok;
  };
  struct DialogAnswer {
    std::function<void(DialogContent&)> fill;
    bool ok;
  };
  struct FileAnswer {
    std::optional<std::string> path;
  };
  struct FilesAnswer {
    std::vector<std::string> paths;
  };
  struct GraphAnswer {
    GraphEvent event;
  };
  using Answer = std::variant<YesNo, OkCancel, DialogAnswer, FileAnswer, FilesAnswer, GraphAnswer>;

  // Takes the next answer when it is of type T; otherwise fails the test and returns nothing.
  template <typename T>
  std::optional<T> Take(const std::string& what);

  std::deque<Answer> answers_;
  std::vector<Event> events_;
  std::vector<std::array<std::string, 2>> statuses_;
  std::vector<DialogContent> dialogs_;
  std::vector<FileQuestion> file_questions_;
  std::vector<std::pair<PictureArea, Picture>> pictures_;
  std::vector<std::vector<std::string>> help_texts_;
  std::vector<FitDisplayView> fit_displays_;
  std::vector<GraphButtons> graph_buttons_;
  std::vector<std::pair<std::string, Picture>> saved_pictures_;
  std::function<void()> on_menus_changed_;
  bool fail_picture_saves_ = false;
};

}  // namespace pektra::testing
