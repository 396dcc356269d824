#pragma once
// The runtime services of the window toolkit that the program's logic asks
// for: message boxes, the file dialog, files, the settings store, random
// numbers, timers and running work off the user-interface thread. Windows take
// an instance at construction; tests hand in a fake that scripts the answers.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ShellServices.h"

namespace velmora {

inline constexpr const char* kAppName = "Velmora";

// Message box styles (buttons + icon) and answers, with the toolkit's values.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbCritical = 16,
    vbExclamation = 48,
    vbRetryCancelCritical = 21,
    vbRetryCancelExclamation = 53,
    vbYesNoCancelQuestion = 35,
    vbDefaultButton2 = 256,  // added to a style: Enter presses the second button
};
enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbRetry = 4, vbYes = 6, vbNo = 7 };

// A timer with the toolkit's semantics: interval 0 never fires even when
// enabled; writing the interval restarts the count; enabled and interval are
// independent. The handler runs on the user-interface thread.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void SetInterval(int ms) = 0;
    virtual int Interval() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void OnTimer(std::function<void()> handler) = 0;
};

// The longest interval a Timer takes (the toolkit's limit).
inline constexpr int kMaxTimerInterval = 2147483647;

class UiServices {
public:
    virtual ~UiServices() = default;

    // Shows a modal message box; an empty title shows kAppName. Returns the button.
    virtual int MsgBox(const std::string& prompt, int style = vbOKOnly, const std::string& title = {}) = 0;

    // The window that owns the boxes and dialogs shown from now on (0: the
    // main window); answers the one before. MessageOwner pairs the calls.
    virtual WindowHandle SetMessageOwner(WindowHandle owner) = 0;

    // --- Settings store (per user, kept between runs) ---
    virtual std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                                   const std::string& defaultValue) = 0;
    virtual void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                             const std::string& value) = 0;
    // Between these two the store stays open, so reading or writing many keys
    // opens and writes it once (SettingsBatch pairs them).
    virtual void BeginSettingsBatch() {}
    virtual void EndSettingsBatch() {}

    // --- File dialogs and files (the capture file, the exports) ---
    // Both dialogs open in startFolder while it exists, else in the user's
    // documents folder, else in the home folder (never the working folder,
    // which for the package is read-only), and return the chosen path, or
    // nothing when the user cancels.
    // The open-file dialog: filter as "Label|*.ext" pairs joined by "|".
    virtual std::optional<std::string> ShowOpenDialog(const std::string& title, const std::string& filter, int flags,
                                                      const std::string& startFolder) = 0;
    virtual std::optional<std::string> ShowSaveDialog(const std::string& title, const std::string& filter,
                                                      const std::string& startFolder) = 0;
    // Each returns false and a description the user can read when it fails.
    // Writes the whole file through a temporary file in the same folder,
    // renamed over the old one only when every byte is written, so a failure
    // never leaves half a file in its place.
    virtual bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string& error) = 0;
    virtual bool FileExists(const std::string& path, bool& exists, std::string& error) = 0;
    virtual bool DeleteFile(const std::string& path, std::string& error) = 0;
    // Opens (creating if needed) for writing at the end; a file number > 0, or 0.
    virtual int OpenFileForAppend(const std::string& path, std::string& error) = 0;
    // Writes the bytes at the end and flushes them to the system.
    virtual bool WriteFile(int fileNumber, const std::string& bytes, std::string& error) = 0;
    virtual void CloseFile(int fileNumber) = 0;

    // --- Desktop notifications ---
    // Hands a notification to the desktop's notification service, else to the
    // tray; never a modal box, and it does not wait. undelivered runs (on the
    // user-interface thread) when neither takes it.
    virtual void Notify(const std::string& title, const std::string& text, std::function<void()> undelivered) = 0;

    // --- Random numbers ---
    virtual void Randomize() = 0;  // seed from the clock
    virtual float Rnd() = 0;       // next value in [0, 1)

    // --- Clock ---
    // The wall clock: microseconds since 1970-01-01 00:00 UTC.
    virtual std::int64_t UnixTimeMicroseconds() = 0;

    // --- Timers ---
    virtual std::unique_ptr<Timer> CreateTimer() = 0;

    // Runs work off the user-interface thread, then done on it (also when
    // work throws). If the program ends before work returns, done never runs
    // and nothing waits for work.
    virtual void RunInBackground(std::function<void()> work, std::function<void()> done) = 0;
    // Runs done on the user-interface thread soon; callable from any thread.
    // If the program ends first, done never runs.
    virtual void RunOnUiThread(std::function<void()> done) = 0;

    // --- Shell, registry and help viewer ---
    // Hands a URL or mail address to the desktop's default handler (the
    // shell's open verb, no owner, show state 1); the shell's answer, above 32
    // when the handler took it.
    virtual std::int32_t ShellExecuteA(const std::string& file) = 0;
    // Starts a program in a normal, focused window; false and a description
    // the user can read when it cannot be started.
    virtual bool Shell(const std::string& path, std::string& error) = 0;
    // The machine-wide registry, with the platform's answers: 0 on success,
    // ERROR_MORE_DATA when the value does not fit size bytes (size then says
    // how many it needs). A text value's size counts its terminating zero.
    virtual std::int32_t RegOpenKeyExA(HKEY root, const std::string& subKey, std::uint32_t options,
                                       std::uint32_t samDesired, HKEY& result) = 0;
    virtual std::int32_t RegQueryValueExA(HKEY key, const std::string& valueName, std::uint32_t& type,
                                          std::uint8_t* data, std::uint32_t& size) = 0;
    virtual std::int32_t RegCloseKey(HKEY key) = 0;
    // Shows the compiled help file at its default topic (HH_DISPLAY_TOPIC) or
    // at a context number (HH_HELP_CONTEXT, data the number); the viewer's
    // window, or 0 when it shows none.
    virtual WindowHandle HtmlHelpA(WindowHandle owner, const std::string& file, int command,
                                   std::uint32_t data) = 0;
};

// While it lives, boxes and dialogs belong to the window whose action raised them.
class MessageOwner {
public:
    MessageOwner(UiServices& ui, WindowHandle window) : ui_(ui), previous_(ui.SetMessageOwner(window)) {}
    ~MessageOwner() { ui_.SetMessageOwner(previous_); }
    MessageOwner(const MessageOwner&) = delete;
    MessageOwner& operator=(const MessageOwner&) = delete;

private:
    UiServices& ui_;
    WindowHandle previous_;
};

// Keeps the settings store open while it lives.
class SettingsBatch {
public:
    explicit SettingsBatch(UiServices& ui) : ui_(ui) { ui_.BeginSettingsBatch(); }
    ~SettingsBatch() { ui_.EndSettingsBatch(); }
    SettingsBatch(const SettingsBatch&) = delete;
    SettingsBatch& operator=(const SettingsBatch&) = delete;

private:
    UiServices& ui_;
};

}  // namespace velmora
