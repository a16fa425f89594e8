#include "watch.h"

#include "boxes.h"
#include "state.h"
#include "target.h"
#include "window_text.h"

#include <optional>

namespace {

// A run outlives one watch: each watch stops at the run's next box.
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

  template <typename T>
  void report(std::optional<T>& seen, const T& now, const char* event, const char* key) {
    if (seen == now) return;
    seen = now;
    writeLine({{"event", event}, {key, now}});
  }

  // The first look reports every value, so a log of the run starts complete.
  void lookAtControls() {
    report(seen_.status, windowText(GetDlgItem(main_, IDC_STATUS)), "status", "text");
    report(seen_.percent, windowText(GetDlgItem(main_, IDC_PERCENT)), "percent", "text");
    const bool caution = (GetWindowLongA(GetDlgItem(main_, IDC_CAUTION), GWL_STYLE) & WS_VISIBLE) != 0;
    report(seen_.caution, caution, "caution", "visible");
    ProgressReading progress;
    if (readProgress(GetDlgItem(main_, IDC_PROGRESS), progress))
      report(seen_.progress, progress.pos, "progress", "pos");
    startEnabled_ = IsWindowEnabled(GetDlgItem(main_, IDC_START)) != FALSE;
    if (!startEnabled_) g_runUnderWay = true;
  }

  // Reports the topmost open box, if any, and leaves it open for the caller.
  bool reportBox() {
    std::vector<HWND> boxes = openBoxes(main_);
    if (boxes.empty()) return false;
    // The window may have changed between the last look and the box: look again,
    // so the events show how things stood when it came.
    lookAtControls();
    Json event = {{"event", "box"}};
    event.update(describeBox(boxes.front(), main_));
    writeLine(event);
    g_runUnderWay = true;
    return true;
  }

  bool idle() const { return g_runUnderWay && startEnabled_; }

 private:
  HWND main_;
  Observed seen_;
  bool startEnabled_ = true;
};

}  // namespace

void watchMainWindow(HWND main, DWORD ms) {
  Watcher watcher(main);
  std::string ending;
  const bool finished = pollUntil(ms, [&] {
    if (!IsWindow(main)) {
      ending = "gone";
      return true;
    }
    watcher.lookAtControls();
    if (watcher.reportBox()) {
      ending = "box-open";
    } else if (watcher.idle()) {
      watcher.lookAtControls();  // the texts may have changed after this pass read them
      ending = "idle";
      g_runUnderWay = false;
    }
    return !ending.empty();
  });
  writeLine({{"event", finished ? ending : "timeout"}});
}
