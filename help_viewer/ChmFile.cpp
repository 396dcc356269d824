#include "help_viewer/ChmFile.h"

#include <chm_lib.h>

#include <memory>

namespace velmora {

namespace {

// A help file's pages and pictures are small; a length beyond this is a damaged file.
constexpr LONGUINT64 kMaxObjectBytes = 64u << 20;

}  // namespace

std::string ObjectPath(const std::string& topic) { return topic.starts_with('/') ? topic : '/' + topic; }

std::unique_ptr<ChmFile> ChmFile::Open(const std::string& path) {
    chmFile* handle = chm_open(path.c_str());
    if (!handle) return nullptr;
    return std::unique_ptr<ChmFile>(new ChmFile(handle));
}

ChmFile::ChmFile(chmFile* handle) : handle_(handle) {
    system_ = ParseChmSystem(Read("/#SYSTEM").value_or(std::string()));
    for (const auto& [context, name] :
         ParseContextMap(Read("/#IVB").value_or(std::string()), Read("/#STRINGS").value_or(std::string()))) {
        contexts_.emplace(context, name);
    }
}

ChmFile::~ChmFile() { chm_close(handle_); }

std::optional<std::string> ChmFile::Read(const std::string& path) const {
    chmUnitInfo unit{};
    if (chm_resolve_object(handle_, path.c_str(), &unit) != CHM_RESOLVE_SUCCESS) return std::nullopt;
    if (unit.length > kMaxObjectBytes) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(unit.length), '\0');
    if (bytes.empty()) return bytes;
    const LONGINT64 read = chm_retrieve_object(handle_, &unit, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                                               static_cast<LONGINT64>(bytes.size()));
    if (read != static_cast<LONGINT64>(bytes.size())) return std::nullopt;
    return bytes;
}

bool ChmFile::Contains(const std::string& path) const {
    chmUnitInfo unit{};
    return chm_resolve_object(handle_, path.c_str(), &unit) == CHM_RESOLVE_SUCCESS;
}

// Some compilers store the name of the source file with the folder it was
// compiled in; the topic is the longest tail of that name the file holds.
std::optional<std::string> ChmFile::TopicOfContext(std::uint32_t context) const {
    const auto it = contexts_.find(context);
    if (it == contexts_.end()) return std::nullopt;
    std::string name = ObjectPath(it->second);
    while (!name.empty()) {
        if (Contains(name)) return name;
        const std::size_t next = name.find('/', 1);
        if (next == std::string::npos) break;
        name.erase(0, next);
    }
    return std::nullopt;
}

}  // namespace velmora
