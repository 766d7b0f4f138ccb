// A scripted ui::FrontEnd for tests: dialog answers are queued (a path
// or a cancel; an empty queue cancels), every request is recorded together
// with the window's text at that moment, message boxes are recorded and
// answered with a set answer, pump events are scripted per call number, and
// waits, completed rows and the window's opening and closing are recorded.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/front_end.h"

namespace tess::testing {

class FakeFrontEnd : public ui::FrontEnd {
 public:
  struct Box {
    std::string caption;
    std::string text;
    ui::BoxStyle style;
  };

  // --- Script -------------------------------------------------------------
  void answerDialog(std::string path) { answers_.push_back(std::move(path)); }
  void cancelDialog() { answers_.push_back(std::nullopt); }
  // Runs when a dialog is shown, before its answer is taken from the queue
  // (for example to change files between two dialogs).
  void onDialog(std::function<void(const ui::FileDialogRequest&)> f) {
    onDialog_ = std::move(f);
  }
  void setMessageBoxAnswer(ui::BoxAnswer answer) { boxAnswer_ = answer; }
  // Events of the pump call with this number (1 = the first call).
  void setPumpEvents(int callNumber, ui::PumpEvents events) {
    pumpEvents_[callNumber] = events;
  }
  // Runs at every pump call with its number, before the events are taken
  // (for example to inject a failure in the middle of a conversion).
  void onPump(std::function<void(int callNumber)> f) { onPump_ = std::move(f); }
  void failOpenWindow() { openWindowFails_ = true; }
  // The window is closed by this signal (0: by none).
  void setEndSignal(int signo) { endSignal_ = signo; }
  // As answers read from a script: a refused answer ends the session.
  void endSessionOnRefusal() { endOnRefusal_ = true; }

  // --- Observation ----------------------------------------------------------
  const std::vector<ui::FileDialogRequest>& dialogs() const { return dialogs_; }
  // The window's clipboard text when each dialog was shown.
  const std::vector<std::string>& screensAtDialogs() const {
    return screensAtDialogs_;
  }
  const std::vector<Box>& messageBoxes() const { return boxes_; }
  const std::vector<Box>& failureBoxes() const { return failureBoxes_; }
  const std::vector<std::string>& completedRows() const { return rows_; }
  int pumpCalls() const { return pumpCalls_; }
  int waitForKeyCalls() const { return waits_; }
  int closeWindowCalls() const { return closes_; }
  const std::string& windowTitle() const { return title_; }
  ui::WindowHost* host() const { return host_; }
  // The window's text as the clipboard copy gives it ("" without a window).
  std::string screenText() const;
  size_t unusedAnswers() const { return answers_.size(); }
  // The answers the program refused, with their reasons.
  const std::vector<std::pair<std::string, std::string>>& refusals() const {
    return refusals_;
  }

  // --- ui::FrontEnd --------------------------------------------------
  bool openWindow(const std::string& title, ui::WindowHost* host) override;
  void rowCompleted(const std::string& rowBytes) override;
  ui::PumpEvents pump() override;
  std::optional<std::string> fileDialog(
      const ui::FileDialogRequest& request) override;
  ui::BoxAnswer messageBox(const std::string& caption, const std::string& text,
                           ui::BoxStyle style) override;
  void waitForKey() override { ++waits_; }
  void closeWindow() override { ++closes_; }
  int endSignal() const override { return endSignal_; }
  bool answerRefused(const std::string& answer,
                     const std::string& reason) override {
    refusals_.emplace_back(answer, reason);
    return !endOnRefusal_;
  }
  bool sessionFailed() const override {
    return endOnRefusal_ && !refusals_.empty();
  }
  void failureBox(const std::string& caption, const std::string& text,
                  ui::BoxStyle style) override;

 private:
  int endSignal_ = 0;
  bool endOnRefusal_ = false;
  std::vector<std::pair<std::string, std::string>> refusals_;
  std::vector<std::optional<std::string>> answers_;
  std::function<void(const ui::FileDialogRequest&)> onDialog_;
  ui::BoxAnswer boxAnswer_ = ui::BoxAnswer::Ok;
  std::map<int, ui::PumpEvents> pumpEvents_;
  std::function<void(int)> onPump_;
  bool openWindowFails_ = false;

  std::vector<ui::FileDialogRequest> dialogs_;
  std::vector<std::string> screensAtDialogs_;
  std::vector<Box> boxes_;
  std::vector<Box> failureBoxes_;
  std::vector<std::string> rows_;
  int pumpCalls_ = 0;
  int waits_ = 0;
  int closes_ = 0;
  std::string title_;
  ui::WindowHost* host_ = nullptr;
};

}  // namespace tess::testing
