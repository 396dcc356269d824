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

std::optional<std::string> CaptureFile::Open() {
    const auto path = ChoosePath();
    if (!path) return std::nullopt;
    std::string error;
    fileNumber_ = ui_.OpenFileForAppend(*path, error);
    if (fileNumber_ == 0) {
        ui_.MsgBox(error, vbExclamation);
        return std::nullopt;
    }
    return FileTitle(*path);
}

std::optional<std::string> CaptureFile::ChoosePath() {
    while (true) {
        const auto path = ui_.ShowOpenDialog(kDialogTitle, kDialogFilter, kDialogFlags);
        if (!path) return std::nullopt;
        switch (AskAboutExisting(*path)) {
            case Existing::Use: return path;
            case Existing::ChooseAgain: continue;
            case Existing::Failed: return std::nullopt;
        }
    }
}

CaptureFile::Existing CaptureFile::AskAboutExisting(const std::string& path) {
    bool exists = false;
    std::string error;
    if (!ui_.FileExists(path, exists, error)) {
        ui_.MsgBox(error, vbExclamation);
        return Existing::Failed;
    }
    if (!exists) return Existing::Use;
    switch (ui_.MsgBox("Replace existing file - " + path + "?", vbYesNoCancelQuestion | vbDefaultButton2)) {
        case vbYes:
            if (ui_.DeleteFile(path, error)) return Existing::Use;
            ui_.MsgBox(error, vbExclamation);
            return Existing::Failed;
        case vbNo: return Existing::Use;
        default: return Existing::ChooseAgain;
    }
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
