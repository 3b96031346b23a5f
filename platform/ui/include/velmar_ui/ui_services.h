// What a window's logic needs from the desktop besides its controls: message boxes, file
// choosers, timers, programs, and the UI thread. MessageBox and RunOnUiThread may be called from
// any thread; everything else from the UI thread only.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/host_hooks.h"

namespace velmar_ui {

enum class BoxButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class BoxIcon { None, Information, Warning, Error, Question };
enum class BoxAnswer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

struct MessageBoxSpec {
    std::string text;
    std::string caption;
    BoxButtons buttons = BoxButtons::Ok;
    BoxIcon icon = BoxIcon::None;
};

// The answer a box gives when it is closed without choosing (Esc, window close).
BoxAnswer EscapeAnswer(BoxButtons buttons);

struct FileChooserSpec {
    bool save = false;            // a save form asks before replacing a file,
    bool askBeforeReplacing = true;  // unless the caller asks its own question before it writes
    std::string startFolder;      // empty: the folder last chosen from, else the process's current folder
    std::string initialName;      // may be a pattern such as "*.m*"
    std::string defaultExtension; // without the dot; added when the typed name has none
    std::string filter;           // "Name (*.a)|*.a|All Files (*.*)|*.*||"
};

// One entry of a chooser filter: its description without the pattern list, and the patterns.
struct FileFilterEntry {
    std::string description;
    std::vector<std::string> patterns;
    bool operator==(const FileFilterEntry&) const = default;
};

// Splits a filter of "description|patterns|...||" pairs; patterns are separated by ';'.
std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter);

// The folder part of a path ("" when there is none), where a chooser opens next time.
std::string FolderOf(const std::string& path);

class UiServices;

// A host hook (platform::SetMessageBoxHook) that shows the libraries' boxes through `ui`: a box
// asked for on a worker thread, such as the board's service thread, is posted to the UI thread
// and the worker goes on at once, answered as if the box had been closed (Ok for an Ok box), so
// the two threads can never wait for each other. `ui` must outlive the hook and its posted boxes.
platform::MessageBoxHook LibraryBoxesThrough(UiServices& ui);

class UiServices {
public:
    using Task = std::function<void()>;
    using TimerHandler = std::function<void(int timerId)>;

    virtual ~UiServices() = default;

    // Shows a modal box and returns the answer. From a worker thread the worker waits until the
    // operator has answered on the UI thread.
    virtual BoxAnswer MessageBox(const MessageBoxSpec& box) = 0;
    // The chosen full path, or nothing when the operator cancelled. A path longer than a setting
    // holds is refused with a box and reads as cancelled: kept cut short, it would later name
    // another file. A chooser without a start folder (no current path) opens where the last
    // choice through these services was made.
    std::optional<std::string> ChooseFile(const FileChooserSpec& chooser);

    // (Re)starts timer `timerId`; `onTick` runs on the UI thread every `periodMs`.
    virtual void SetTimer(int timerId, int periodMs, TimerHandler onTick) = 0;
    virtual void KillTimer(int timerId) = 0;
    // Waits on the UI thread, as the drain waits of the panels do. The window keeps painting
    // meanwhile; the operator's input waits until it is over and this window's timers skip their ticks.
    virtual void Sleep(int milliseconds) = 0;

    // Starts a program without waiting for it. A name without a slash is the program beside the
    // running executable, else looked up on PATH; give "./name" for one in the working directory.
    // False when it could not be started.
    virtual bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) = 0;
    // Ends the process with `exitCode` once the UI thread returns to its event loop, or reaches it
    // when it has not started yet.
    virtual void ExitProcess(int exitCode) = 0;

    // Queues `task` to run on the UI thread; callable from any thread.
    virtual void RunOnUiThread(Task task) = 0;
    virtual bool OnUiThread() const = 0;

protected:
    // The platform's own chooser, behind ChooseFile's checks.
    virtual std::optional<std::string> ShowFileChooser(const FileChooserSpec& chooser) = 0;

private:
    std::string lastFolder_;  // of the last path chosen
};

}  // namespace velmar_ui
