#pragma once
// The window that stands in for the platform's help viewer: one compiled
// help file, its contents tree on the left, the topic on the right, back and
// forward. Pages, pictures and links come from inside the file through
// chmlib (ChmFile); web and mail links go to the desktop's handler, nothing
// else leaves the file.

#include <QTextBrowser>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QTreeWidget;
class QTreeWidgetItem;

namespace velmora {

class ChmFile;

// A browser whose resources are the file's objects, addressed "chm:/path".
class ChmBrowser final : public QTextBrowser {
    Q_OBJECT
public:
    ChmBrowser(const ChmFile& file, QWidget* parent);
    QVariant loadResource(int type, const QUrl& name) override;

private:
    const ChmFile& file_;
};

class HelpViewer final : public QWidget {
    Q_OBJECT
public:
    // Nothing when the file is not a compiled help file.
    static std::unique_ptr<HelpViewer> Open(const std::string& path, QWidget* owner);
    ~HelpViewer() override;

    // The topic's path inside the file, by default or by context number.
    std::optional<std::string> DefaultTopic() const;
    std::optional<std::string> TopicOfContext(std::uint32_t context) const;
    // Shows a topic (a path inside the file); false when the file lacks it.
    bool ShowTopic(const std::string& topic);

    ChmBrowser& Browser() const { return *browser_; }
    QTreeWidget& Contents() const { return *contents_; }

private:
    HelpViewer(std::unique_ptr<ChmFile> file, QWidget* owner);
    void BuildContents();
    void FollowLink(const QUrl& link);
    void MarkCurrentTopic(const QUrl& shown);

    std::unique_ptr<ChmFile> file_;
    ChmBrowser* browser_ = nullptr;
    QTreeWidget* contents_ = nullptr;
    QAction* back_ = nullptr;
    QAction* forward_ = nullptr;
};

}  // namespace velmora
