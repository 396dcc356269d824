#include "main_window/CaptureFile.h"

#include <filesystem>

namespace velmora {

namespace {

constexpr const char* kDialogTitle = "Open Capture File...";
constexpr const char* kDialogFilter = "Log Files (*.log)|*.log";
// Explorer style, read-only check box hidden.
constexpr int kDialogFlags = 0x80004;

std::string FileTitle(const std::string& path) { return std::filesystem::path(path).filename().string(); }

}  // namespace

CaptureFile::~CaptureFile() { Close(); }

std::string CaptureRefusal(const std::string& path, const std::string& reason) {
    return "Cannot capture to " + path + ": " + reason + "\nChoose another file?";
}

std::optional<std::string> CaptureFile::Open() {
    while (const auto path = ChoosePath()) {
        std::string error;
        fileNumber_ = ui_.OpenFileForAppend(*path, error);
        if (fileNumber_ != 0) return FileTitle(*path);
        if (!OfferAnotherFile(*path, error)) return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> CaptureFile::ChoosePath() {
    while (true) {
        const auto path = ui_.ShowOpenDialog(kDialogTitle, kDialogFilter, kDialogFlags, lastFolder_);
        if (!path) return std::nullopt;
        lastFolder_ = std::filesystem::path(*path).parent_path().string();
        std::string error;
        switch (AskAboutExisting(*path, error)) {
            case Existing::Use: return path;
            case Existing::ChooseAgain: continue;
            case Existing::Failed:
                if (OfferAnotherFile(*path, error)) continue;
                return std::nullopt;
        }
    }
}

CaptureFile::Existing CaptureFile::AskAboutExisting(const std::string& path, std::string& error) {
    bool exists = false;
    if (!ui_.FileExists(path, exists, error)) return Existing::Failed;
    if (!exists) return Existing::Use;
    switch (ui_.MsgBox("Replace existing file - " + path + "?", vbYesNoCancelQuestion | vbDefaultButton2)) {
        case vbYes: return ui_.DeleteFile(path, error) ? Existing::Use : Existing::Failed;
        case vbNo: return Existing::Use;
        default: return Existing::ChooseAgain;
    }
}

bool CaptureFile::OfferAnotherFile(const std::string& path, const std::string& reason) {
    return ui_.MsgBox(CaptureRefusal(path, reason), vbRetryCancelExclamation) == vbRetry;
}

void CaptureFile::Close() {
    if (fileNumber_ == 0) return;
    ui_.CloseFile(fileNumber_);
    fileNumber_ = 0;
}

void CaptureFile::Write(const std::string& bytes) {
    std::string error;
    while (!ui_.WriteFile(fileNumber_, bytes, error)) {
        if (ui_.MsgBox(error, vbRetryCancelCritical) != vbRetry) return;
    }
}

}  // namespace velmora
