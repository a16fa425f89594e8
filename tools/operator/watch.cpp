#include "watch.h"

#include "boxes.h"
#include "state.h"
#include "target.h"
#include "window_text.h"

#include <optional>

namespace {

// A run outlives one watch when watches stop at its boxes.
bool g_runUnderWay = false;

struct Observed {
  std::optional<std::string> status;
  std::optional<std::string> percent;
  std::optional<long long> progress;
  std::optional<bool> caution;
};

class Watcher {
 public:
  explicit Watcher(HWND main) : main_(main) {}

  int events() const { return events_; }

  void emit(const JsonObject& event) {
    writeLine(event);
    ++events_;
  }

  template <typename T>
  void report(std::optional<T>& seen, const T& now, JsonObject event) {
    if (seen == now) return;
    seen = now;
    emit(event);
  }

  // The first look reports every value, so a log of the run starts complete.
  void lookAtControls() {
    std::string status = windowText(GetDlgItem(main_, IDC_STATUS));
    report(seen_.status, status, JsonObject().str("event", "status").str("text", status));
    std::string percent = windowText(GetDlgItem(main_, IDC_PERCENT));
    report(seen_.percent, percent, JsonObject().str("event", "percent").str("text", percent));
    bool caution = (GetWindowLongA(GetDlgItem(main_, IDC_CAUTION), GWL_STYLE) & WS_VISIBLE) != 0;
    report(seen_.caution, caution, JsonObject().str("event", "caution").flag("visible", caution));
    ProgressReading progress;
    if (readProgress(GetDlgItem(main_, IDC_PROGRESS), progress))
      report(seen_.progress, progress.pos, JsonObject().str("event", "progress").num("pos", progress.pos));
    startEnabled_ = IsWindowEnabled(GetDlgItem(main_, IDC_START)) != FALSE;
    if (!startEnabled_) g_runUnderWay = true;
  }

  // Returns false (with error) only when a box cannot be answered.
  bool answerBoxes(bool stopAtBox, bool& anyOpen, std::string& error) {
    std::vector<HWND> boxes = openBoxes(main_);
    anyOpen = !boxes.empty();
    // The window may have changed between the last look and the box: look again,
    // so the events show how things stood when it came.
    if (anyOpen) lookAtControls();
    for (HWND box : boxes) {
      std::vector<BoxButton> buttons = boxButtons(box);
      JsonObject event;
      event.str("event", "box").merge(describeBox(box, main_));
      if (stopAtBox) {
        emit(event);
        g_runUnderWay = true;
        return true;
      }
      if (buttons.empty()) {
        emit(event);
        error = "a box without buttons is open";
        return false;
      }
      emit(event.str("pressed", buttons.front().label));
      if (!pressBoxButton(box, buttons.front(), error)) return false;
    }
    return true;
  }

  bool idle() const { return g_runUnderWay && startEnabled_; }

 private:
  HWND main_;
  Observed seen_;
  bool startEnabled_ = true;
  int events_ = 0;
};

}  // namespace

bool watchMainWindow(HWND main, DWORD ms, bool stopAtBox, JsonObject& reply, std::string& error) {
  Watcher watcher(main);
  std::string ending;
  bool answered = true;
  bool finished = pollUntil(ms, [&] {
    if (!IsWindow(main)) {
      ending = "gone";
      return true;
    }
    watcher.lookAtControls();
    bool boxOpen = false;
    answered = watcher.answerBoxes(stopAtBox, boxOpen, error);
    if (!answered) return true;
    if (boxOpen && stopAtBox) {
      ending = "box-open";
    } else if (!boxOpen && watcher.idle()) {
      watcher.lookAtControls();  // the texts may have changed after this pass read them
      ending = "idle";
      g_runUnderWay = false;
    }
    return !ending.empty();
  });
  if (!answered) return false;
  watcher.emit(JsonObject().str("event", finished ? ending : "timeout"));
  reply.num("events", watcher.events());
  return true;
}
