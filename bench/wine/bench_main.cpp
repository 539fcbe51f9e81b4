// FontInstaller.exe with its message-queue calls counted and timed, for the Wine benchmark.
//
// The installer code is the same; only the platform handed to it differs: the Win32 one, with
// its message queue, dialogs and GDI seen through decorators that forward every call unchanged
// and note when it came and how long it took. Whether a run is in progress is read from the
// install command itself. At exit the figures go as key=value lines to the file named by
// FI_BENCH_STATS (nothing is written when it is not set).
#include "platform/win32/windows_api.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <type_traits>

#include "app/install_command.h"
#include "app/startup.h"
#include "common/cp932.h"
#include "platform/win32/win32_platform.h"
#include "platform/win_constants.h"

namespace {

int64_t Now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

// Milliseconds since this process was created, by the system clock (100 ns units).
double MillisecondsSinceCreation() {
    FILETIME creation;
    FILETIME exitTime;
    FILETIME kernel;
    FILETIME user;
    if (!GetProcessTimes(GetCurrentProcess(), &creation, &exitTime, &kernel, &user)) {
        return -1;
    }
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const auto value = [](const FILETIME& t) {
        return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(value(now) - value(creation)) / 10000.0;
}

double Milliseconds(int64_t ticks) {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    return static_cast<double>(ticks) * 1000.0 / frequency;
}

// What the decorators saw. Counts and times marked "in runs" cover only calls made while an
// install run was in progress.
struct Figures {
    uint64_t peekCalls = 0;  // all, in or out of runs
    uint64_t peekCallsInRuns = 0;
    uint64_t peekHitsInRuns = 0;  // peeks that found a message
    uint64_t isDialogCallsInRuns = 0;
    uint64_t translateCallsInRuns = 0;
    uint64_t dispatchCallsInRuns = 0;
    int64_t peekTicksInRuns = 0;   // inside PeekMessage
    int64_t queueTicksInRuns = 0;  // inside any of the four queue calls
    int64_t dispatchTicksInRuns = 0;

    uint64_t runs = 0;
    int64_t runTicks = 0;  // first call of a run to the end of its last call, summed
    // Stretches without a PeekMessage: between two consecutive ones, and at a run's edges.
    int64_t maxPeekGap = 0;
    uint64_t maxPeekGapIndex = 0;  // which in-run peek ended it (1 = the second peek)
    uint64_t gapsOver1Ms = 0;
    uint64_t gapsOver10Ms = 0;
    int64_t startToFirstPeek = 0;
    int64_t lastPeekToEnd = 0;
    int64_t runEndToMessageBox = -1;  // from the run's last call to the next message box

    // From the process's creation to the main dialog being asked for (start-up work done);
    // negative when it never was.
    double creationToDialogMs = -1;

    uint64_t addFontCallsInRuns = 0;
    int64_t addFontTicksInRuns = 0;
    uint64_t broadcastsInRuns = 0;
    int64_t broadcastTicksInRuns = 0;
    // The progress bar's position, sent through the dialog (SendDlgItemMessage) or to the bar.
    uint64_t itemMessagesInRuns = 0;
    int64_t itemMessageTicksInRuns = 0;
    uint64_t uiCallsInRuns = 0;
    int64_t uiTicksInRuns = 0;  // every Ui call of a run, the broadcast included
};

// Follows the install runs through the calls the decorators see: a run begins with the first
// call made while InstallInProgress() holds and ends with the last one.
class RunWatch {
  public:
    explicit RunWatch(Figures& figures) : figures_(figures) {}

    // At the entry of every decorated call. True when the call belongs to a run.
    bool Enter(int64_t now) {
        const bool running = InstallInProgress();
        if (running && !inRun_) {
            inRun_ = true;
            runStart_ = now;
            lastEnd_ = now;
            lastPeek_ = -1;
            peeksThisRun_ = 0;
        } else if (!running && inRun_) {
            Finish();
            endedAt_ = lastEnd_;
        }
        return running;
    }

    // At the return of every decorated call.
    void Leave(int64_t now) {
        if (inRun_) {
            lastEnd_ = now;
        }
    }

    // At the entry of a PeekMessage made during a run.
    void Peek(int64_t now) {
        ++peeksThisRun_;
        if (lastPeek_ < 0) {
            figures_.startToFirstPeek = std::max(figures_.startToFirstPeek, now - runStart_);
        } else {
            const int64_t gap = now - lastPeek_;
            if (gap > figures_.maxPeekGap) {
                figures_.maxPeekGap = gap;
                figures_.maxPeekGapIndex = peeksThisRun_ - 1;
            }
            const double ms = Milliseconds(gap);
            figures_.gapsOver1Ms += ms > 1.0 ? 1 : 0;
            figures_.gapsOver10Ms += ms > 10.0 ? 1 : 0;
        }
        lastPeek_ = now;
    }

    // A message box shown after a run: how long after the run's end it came.
    void MessageBoxShown(int64_t now) {
        if (!inRun_ && endedAt_ >= 0 && figures_.runEndToMessageBox < 0) {
            figures_.runEndToMessageBox = now - endedAt_;
        }
    }

    // At exit: a run still open counts up to its last call.
    void Close() {
        if (inRun_) {
            Finish();
        }
    }

  private:
    void Finish() {
        inRun_ = false;
        ++figures_.runs;
        figures_.runTicks += lastEnd_ - runStart_;
        if (lastPeek_ >= 0) {
            figures_.lastPeekToEnd = std::max(figures_.lastPeekToEnd, lastEnd_ - lastPeek_);
        }
    }

    Figures& figures_;
    bool inRun_ = false;
    int64_t runStart_ = 0;
    int64_t lastEnd_ = 0;
    int64_t lastPeek_ = -1;
    int64_t endedAt_ = -1;
    uint64_t peeksThisRun_ = 0;
};

class CountingMessages final : public platform::Messages {
  public:
    CountingMessages(platform::Messages& inner, Figures& figures, RunWatch& watch)
        : inner_(inner), figures_(figures), watch_(watch) {}

    bool PeekMessage(platform::Message& message) override {
        const int64_t start = Now();
        const bool inRun = watch_.Enter(start);
        ++figures_.peekCalls;
        if (inRun) {
            watch_.Peek(start);
        }
        const bool found = inner_.PeekMessage(message);
        const int64_t end = Now();
        if (inRun) {
            ++figures_.peekCallsInRuns;
            figures_.peekHitsInRuns += found ? 1 : 0;
            figures_.peekTicksInRuns += end - start;
            figures_.queueTicksInRuns += end - start;
        }
        watch_.Leave(end);
        return found;
    }

    bool IsDialogMessage(platform::WindowHandle dialog, const platform::Message& message) override {
        const int64_t start = Now();
        const bool inRun = watch_.Enter(start);
        const bool taken = inner_.IsDialogMessage(dialog, message);
        Count(inRun, start, figures_.isDialogCallsInRuns);
        return taken;
    }

    bool TranslateMessage(const platform::Message& message) override {
        const int64_t start = Now();
        const bool inRun = watch_.Enter(start);
        const bool translated = inner_.TranslateMessage(message);
        Count(inRun, start, figures_.translateCallsInRuns);
        return translated;
    }

    intptr_t DispatchMessage(const platform::Message& message) override {
        const int64_t start = Now();
        const bool inRun = watch_.Enter(start);
        const intptr_t result = inner_.DispatchMessage(message);
        const int64_t end = Count(inRun, start, figures_.dispatchCallsInRuns);
        if (inRun) {
            figures_.dispatchTicksInRuns += end - start;
        }
        return result;
    }

  private:
    int64_t Count(bool inRun, int64_t start, uint64_t& calls) {
        const int64_t end = Now();
        if (inRun) {
            ++calls;
            figures_.queueTicksInRuns += end - start;
        }
        watch_.Leave(end);
        return end;
    }

    platform::Messages& inner_;
    Figures& figures_;
    RunWatch& watch_;
};

// Forwards every call; times the font-change broadcast and tells the watch when a run begins
// (the progress dialog is the run's first call) and when the completion message comes.
class WatchedUi final : public platform::Ui {
  public:
    WatchedUi(platform::Ui& inner, Figures& figures, RunWatch& watch)
        : inner_(inner), figures_(figures), watch_(watch) {}

    int MessageBox(platform::WindowHandle owner, const std::string& text,
                   const std::string& caption, unsigned style) override {
        const int64_t start = Now();
        const bool inRun = watch_.Enter(start);
        watch_.MessageBoxShown(start);
        const int result = inner_.MessageBox(owner, text, caption, style);
        // The time the user took to answer is no part of the run's work.
        Done(inRun, start, Now() - start);
        return result;
    }
    intptr_t DialogBoxParam(platform::InstanceHandle instance, int templateId,
                            platform::WindowHandle owner, platform::DialogProcedure procedure,
                            intptr_t param) override {
        const int64_t start = Now();
        const bool inRun = watch_.Enter(start);
        if (figures_.creationToDialogMs < 0) {
            figures_.creationToDialogMs = MillisecondsSinceCreation();
        }
        const intptr_t result =
            inner_.DialogBoxParam(instance, templateId, owner, procedure, param);
        // A modal dialog (the conflict question) waits for the user, like a message box.
        Done(inRun, start, Now() - start);
        return result;
    }
    bool EndDialog(platform::WindowHandle dialog, intptr_t result) override {
        const int64_t start = Now();
        const bool inRun = watch_.Enter(start);
        const bool ended = inner_.EndDialog(dialog, result);
        Done(inRun, start, 0);
        return ended;
    }
    bool SetDlgItemText(platform::WindowHandle dialog, int id, const std::string& text) override {
        const int64_t start = Now();
        const bool inRun = watch_.Enter(start);
        const bool set = inner_.SetDlgItemText(dialog, id, text);
        Done(inRun, start, 0);
        return set;
    }
    std::string GetDlgItemText(platform::WindowHandle dialog, int id) override {
        const int64_t start = Now();
        const bool inRun = watch_.Enter(start);
        std::string text = inner_.GetDlgItemText(dialog, id);
        Done(inRun, start, 0);
        return text;
    }
    intptr_t SendDlgItemMessage(platform::WindowHandle dialog, int id, unsigned message,
                                uintptr_t wParam, intptr_t lParam) override {
        const int64_t start = Now();
        const bool inRun = watch_.Enter(start);
        const intptr_t result = inner_.SendDlgItemMessage(dialog, id, message, wParam, lParam);
        const int64_t end = Done(inRun, start, 0);
        if (inRun) {
            ++figures_.itemMessagesInRuns;
            figures_.itemMessageTicksInRuns += end - start;
        }
        return result;
    }
    platform::WindowHandle GetDlgItem(platform::WindowHandle dialog, int id) override {
        return Timed([&] { return inner_.GetDlgItem(dialog, id); });
    }
    void SetDialogUserData(platform::WindowHandle dialog, intptr_t value) override {
        Timed([&] {
            inner_.SetDialogUserData(dialog, value);
            return 0;
        });
    }
    intptr_t GetDialogUserData(platform::WindowHandle dialog) override {
        return Timed([&] { return inner_.GetDialogUserData(dialog); });
    }
    bool EnableDlgItem(platform::WindowHandle dialog, int id, bool enable) override {
        return Timed([&] { return inner_.EnableDlgItem(dialog, id, enable); });
    }
    platform::WindowHandle CreateDialogParam(platform::InstanceHandle instance, int templateId,
                                             platform::WindowHandle owner,
                                             platform::DialogProcedure procedure,
                                             intptr_t param) override {
        return Timed([&] {
            return inner_.CreateDialogParam(instance, templateId, owner, procedure, param);
        });
    }
    bool DestroyWindow(platform::WindowHandle window) override {
        return Timed([&] { return inner_.DestroyWindow(window); });
    }
    intptr_t SendMessageTimeout(platform::WindowHandle window, unsigned message, uintptr_t wParam,
                                intptr_t lParam, unsigned flags, unsigned timeoutMs) override {
        const int64_t start = Now();
        const bool inRun = watch_.Enter(start);
        const intptr_t result =
            inner_.SendMessageTimeout(window, message, wParam, lParam, flags, timeoutMs);
        const int64_t end = Done(inRun, start, 0);
        if (inRun) {
            ++figures_.broadcastsInRuns;
            figures_.broadcastTicksInRuns += end - start;
        }
        return result;
    }
    platform::IconHandle LoadIcon(platform::InstanceHandle instance, int id) override {
        const int64_t start = Now();
        const bool inRun = watch_.Enter(start);
        platform::IconHandle icon = inner_.LoadIcon(instance, id);
        Done(inRun, start, 0);
        return icon;
    }
    intptr_t ShellExecute(platform::WindowHandle owner, const std::string& verb,
                          const std::string& file, int show) override {
        const int64_t start = Now();
        const bool inRun = watch_.Enter(start);
        const intptr_t result = inner_.ShellExecute(owner, verb, file, show);
        Done(inRun, start, 0);
        return result;
    }
    intptr_t SendMessage(platform::WindowHandle window, unsigned message, uintptr_t wParam,
                         intptr_t lParam) override {
        const int64_t start = Now();
        const bool inRun = watch_.Enter(start);
        const intptr_t result = inner_.SendMessage(window, message, wParam, lParam);
        const int64_t end = Done(inRun, start, 0);
        if (inRun && message == win::kPbmSetPos) {
            ++figures_.itemMessagesInRuns;
            figures_.itemMessageTicksInRuns += end - start;
        }
        return result;
    }

  private:
    // Notes the call's end; waitTicks is time spent waiting for the user, left out of the
    // run's length.
    // One call of the real seam, counted when it falls inside a run.
    template <typename Call>
    std::invoke_result_t<Call> Timed(Call call) {
        const int64_t start = Now();
        const bool inRun = watch_.Enter(start);
        auto result = call();
        Done(inRun, start, 0);
        return result;
    }

    int64_t Done(bool inRun, int64_t start, int64_t waitTicks) {
        const int64_t end = Now();
        if (inRun) {
            ++figures_.uiCallsInRuns;
            figures_.uiTicksInRuns += end - start - waitTicks;
        }
        watch_.Leave(end - waitTicks);
        return end;
    }

    platform::Ui& inner_;
    Figures& figures_;
    RunWatch& watch_;
};

// Forwards every call; times AddFontResourceA.
class WatchedGdi final : public platform::Gdi {
  public:
    WatchedGdi(platform::Gdi& inner, Figures& figures, RunWatch& watch)
        : inner_(inner), figures_(figures), watch_(watch) {}

    platform::DeviceContext GetDC(platform::WindowHandle window) override {
        return inner_.GetDC(window);
    }
    int ReleaseDC(platform::WindowHandle window, platform::DeviceContext context) override {
        return inner_.ReleaseDC(window, context);
    }
    int EnumFontFamilies(platform::DeviceContext context, platform::FontFamilyProcedure procedure,
                         intptr_t data) override {
        return inner_.EnumFontFamilies(context, procedure, data);
    }
    int AddFontResource(const std::string& path) override {
        const int64_t start = Now();
        const bool inRun = watch_.Enter(start);
        const int loaded = inner_.AddFontResource(path);
        const int64_t end = Now();
        if (inRun) {
            ++figures_.addFontCallsInRuns;
            figures_.addFontTicksInRuns += end - start;
        }
        watch_.Leave(end);
        return loaded;
    }
    bool RemoveFontResource(const std::string& path) override {
        return inner_.RemoveFontResource(path);
    }

  private:
    platform::Gdi& inner_;
    Figures& figures_;
    RunWatch& watch_;
};

void WriteFigures(const Figures& f) {
    const char* path = std::getenv("FI_BENCH_STATS");
    if (path == nullptr || *path == '\0') {
        return;
    }
    std::FILE* out = std::fopen(path, "w");
    if (out == nullptr) {
        return;
    }
    const auto count = [out](const char* key, uint64_t value) {
        std::fprintf(out, "%s=%llu\n", key, static_cast<unsigned long long>(value));
    };
    const auto ms = [out](const char* key, int64_t ticks) {
        std::fprintf(out, "%s=%.3f\n", key, Milliseconds(ticks));
    };
    std::fprintf(out, "creation_to_dialog_ms=%.3f\n", f.creationToDialogMs);
    count("runs", f.runs);
    ms("run_ms", f.runTicks);
    count("peek_calls", f.peekCalls);
    count("peek_calls_in_runs", f.peekCallsInRuns);
    count("peek_hits_in_runs", f.peekHitsInRuns);
    count("is_dialog_calls_in_runs", f.isDialogCallsInRuns);
    count("translate_calls_in_runs", f.translateCallsInRuns);
    count("dispatch_calls_in_runs", f.dispatchCallsInRuns);
    ms("peek_ms_in_runs", f.peekTicksInRuns);
    ms("queue_ms_in_runs", f.queueTicksInRuns);
    ms("dispatch_ms_in_runs", f.dispatchTicksInRuns);
    ms("max_peek_gap_ms", f.maxPeekGap);
    count("max_peek_gap_at_peek", f.maxPeekGapIndex);
    count("peek_gaps_over_1ms", f.gapsOver1Ms);
    count("peek_gaps_over_10ms", f.gapsOver10Ms);
    ms("run_start_to_first_peek_ms", f.startToFirstPeek);
    ms("last_peek_to_run_end_ms", f.lastPeekToEnd);
    if (f.runEndToMessageBox >= 0) {
        ms("run_end_to_message_box_ms", f.runEndToMessageBox);
    }
    count("add_font_calls_in_runs", f.addFontCallsInRuns);
    ms("add_font_ms_in_runs", f.addFontTicksInRuns);
    count("broadcasts_in_runs", f.broadcastsInRuns);
    ms("broadcast_ms_in_runs", f.broadcastTicksInRuns);
    count("item_messages_in_runs", f.itemMessagesInRuns);
    ms("item_messages_ms_in_runs", f.itemMessageTicksInRuns);
    count("ui_calls_in_runs", f.uiCallsInRuns);
    ms("ui_ms_in_runs", f.uiTicksInRuns);
    static_cast<void>(std::fclose(out));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    platform::win32::RestrictLibrarySearch();
    platform::win32::InitDialogControls();
    cp932::SetLeadBytes(platform::win32::SystemLeadBytes());

    platform::win32::Win32Platform windows;
    platform::Platform& real = windows.Get();
    Figures figures;
    RunWatch watch(figures);
    CountingMessages messages(real.messages, figures, watch);
    WatchedUi ui(real.ui, figures, watch);
    WatchedGdi gdi(real.gdi, figures, watch);
    platform::Platform measured{real.system,   real.files, real.shell, real.disks,
                                real.registry, gdi,        messages,   ui};
    {
        platform::ScopedPlatform scope(measured);
        RunInstaller(instance);
    }
    watch.Close();
    WriteFigures(figures);
    return 0;
}
