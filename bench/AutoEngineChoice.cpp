#include "bench/AutoEngineChoice.h"

#include "bench/PageText.h"
#include "engine/PageLoader.h"

#include <algorithm>

namespace {

// Answers every page with a failure, through the event loop as a real loader answers.
class DecliningLoader : public PageLoader
{
public:
    void load(const QString &) override
    {
        const quint64 load = ++m_loadNumber;
        QMetaObject::invokeMethod(
            this,
            [this, load] {
            if (load == m_loadNumber)
                emit pageFailed(QStringLiteral("left to the browser engine"));
            },
            Qt::QueuedConnection);
    }
    void readTextSoFar() override {}
    void abandon() override { ++m_loadNumber; }

private:
    quint64 m_loadNumber = 0; // tells the current page's answer apart from abandoned ones'
};

class DecliningBrowser : public PageEngine
{
public:
    std::unique_ptr<PageLoader> createLoader() override
    {
        return std::make_unique<DecliningLoader>();
    }
};

// Longer than the automatic engine gives the fast engine before it turns to the browser.
constexpr int choiceTimeoutMs = 60'000;

} // namespace

AutoEngineChooser::AutoEngineChooser()
    : m_browser(std::make_unique<DecliningBrowser>())
    , m_engine(*m_browser)
    , m_loader(m_engine.createLoader())
{
}

AutoEngineChooser::~AutoEngineChooser() = default;

AutoEngineChoice AutoEngineChooser::choose(const QString &path)
{
    const PagesByEngine before = pagesByEngine();
    const std::optional<QString> text = waitForPageText(*m_loader, path, choiceTimeoutMs);
    const PagesByEngine taken = pagesTakenSince(before, pagesByEngine());
    if (taken.fast > 0)
        return {text, std::nullopt};
    const auto &reasons = taken.browserByReason;
    const auto reason = std::find_if(reasons.begin(), reasons.end(), [](int n) { return n > 0; });
    if (reason == reasons.end())
        return {};
    return {std::nullopt, BrowserReason(reason - reasons.begin())};
}
