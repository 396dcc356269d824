#pragma once
// The capture file: chosen by the user, appended to at its end, each text
// flushed as it is written. The window's caption and commands are the
// caller's; this class holds only the file.

#include <optional>
#include <string>

#include "platform/UiServices.h"

namespace velmora {

// What the user reads when the file cannot be used, before choosing again.
std::string CaptureRefusal(const std::string& path, const std::string& reason);

class CaptureFile {
public:
    explicit CaptureFile(UiServices& ui) : ui_(ui) {}
    ~CaptureFile();
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    // Lets the user choose the file, asks before replacing an existing one,
    // and opens it for appending. A step that fails names the file and the
    // reason and offers the dialog again. The chosen file's name without its
    // folder, or nothing when the user gave up.
    std::optional<std::string> Open();
    void Close();
    bool IsOpen() const { return fileNumber_ != 0; }
    // Where the dialog opens: the folder of the file last chosen in it, kept between runs of the program.
    const std::string& LastFolder() const { return lastFolder_; }
    void SetLastFolder(const std::string& folder) { lastFolder_ = folder; }

    // Writes the bytes at the end; a failed write asks Retry or Cancel.
    void Write(const std::string& bytes);

private:
    // The dialog, then the replace question, until the user has a file to
    // open or cancels the dialog.
    std::optional<std::string> ChoosePath();
    // Yes deletes the file, No keeps it to append to, Cancel shows the dialog
    // again; Failed with the reason in error.
    enum class Existing { Use, ChooseAgain, Failed };
    Existing AskAboutExisting(const std::string& path, std::string& error);
    // Names the path and the reason; true when the user chooses another file.
    bool OfferAnotherFile(const std::string& path, const std::string& reason);

    UiServices& ui_;
    int fileNumber_ = 0;
    std::string lastFolder_;
};

}  // namespace velmora
