#pragma once
// A compiled help file opened with chmlib: objects read whole by their path
// inside the file, plus what its #SYSTEM and context map say.

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "help_viewer/ChmParsers.h"

struct chmFile;

namespace velmora {

class ChmFile {
public:
    // Nothing when the file cannot be opened as a compiled help file.
    static std::unique_ptr<ChmFile> Open(const std::string& path);
    ~ChmFile();
    ChmFile(const ChmFile&) = delete;
    ChmFile& operator=(const ChmFile&) = delete;

    // An object by its path ("/index.htm"); nothing when absent or unreadable.
    std::optional<std::string> Read(const std::string& path) const;
    bool Contains(const std::string& path) const;

    const ChmSystemInfo& System() const { return system_; }
    // The topic's path inside the file for a context number.
    std::optional<std::string> TopicOfContext(std::uint32_t context) const;

private:
    explicit ChmFile(chmFile* handle);

    chmFile* handle_;
    ChmSystemInfo system_;
    std::map<std::uint32_t, std::string> contexts_;
};

// A topic name as a path inside the file, with its leading slash.
std::string ObjectPath(const std::string& topic);

}  // namespace velmora
