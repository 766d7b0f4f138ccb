#include "tests/support/fake_front_end.h"

namespace tess::testing {

std::string FakeFrontEnd::screenText() const {
  return host_ != nullptr ? host_->clipboardText() : std::string();
}

bool FakeFrontEnd::openWindow(const std::string& title, ui::WindowHost* host) {
  title_ = title;
  if (openWindowFails_) return false;
  host_ = host;
  return true;
}

void FakeFrontEnd::rowCompleted(const std::string& rowBytes) {
  rows_.push_back(rowBytes);
}

ui::PumpEvents FakeFrontEnd::pump() {
  ++pumpCalls_;
  if (onPump_) onPump_(pumpCalls_);
  auto it = pumpEvents_.find(pumpCalls_);
  return it != pumpEvents_.end() ? it->second : ui::PumpEvents{};
}

std::optional<std::string> FakeFrontEnd::fileDialog(
    const ui::FileDialogRequest& request) {
  dialogs_.push_back(request);
  screensAtDialogs_.push_back(screenText());
  if (onDialog_) onDialog_(request);
  if (answers_.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(answers_.front());
  answers_.erase(answers_.begin());
  return answer;
}

ui::BoxAnswer FakeFrontEnd::messageBox(const std::string& caption,
                                       const std::string& text,
                                       ui::BoxStyle style) {
  boxes_.push_back({caption, text, style});
  return boxAnswer_;
}

void FakeFrontEnd::failureBox(const std::string& caption,
                              const std::string& text, ui::BoxStyle style) {
  failureBoxes_.push_back({caption, text, style});
}

}  // namespace tess::testing
