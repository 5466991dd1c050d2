#include "run/PreScanFile.h"

#include "file/FileFailure.h"
#include "file/FolderChain.h"
#include "file/ListedFile.h"
#include "text/SearchPreScan.h"

#include <QString>

#include <new>

namespace {

bool fail(PreScanVerdict &verdict, const Failure &reason)
{
    verdict.kind = PreScanVerdict::Kind::Failed;
    verdict.reason = reason;
    return false;
}

} // namespace

// A failed allocation costs this file's verdict, not the run (nor the thread it runs on).
PreScanVerdict PreScanFile(const PageLocation &page, const ReplacementTexts &texts,
                           std::stop_token stop, const std::function<void()> &yield)
try {
    PreScanVerdict verdict;
    ListedFile file;
    if (!file.open(page)) {
        fail(verdict, file.error());
        return verdict;
    }
    SearchPreScan preScan(texts, yield, SearchPreScan::DefaultChunkBytes, std::move(stop));
    const std::optional<SearchPreScan::Result> scan =
        preScan.scan(file.device(), file.stamp().size());
    if (!scan) {
        fail(verdict, preScan.stopped() ? FileFailure::stopped()
                                        : FileFailure::cannotRead(file.device().errorString()));
        return verdict;
    }
    verdict.kind =
        scan->occurs ? PreScanVerdict::Kind::MayOccur : PreScanVerdict::Kind::CannotOccur;
    verdict.scan = *scan;
    return verdict;
} catch (const std::bad_alloc &) {
    PreScanVerdict verdict;
    fail(verdict, FileFailure::outOfMemory());
    return verdict;
}

PreScanVerdict PreScanFile(const QString &path, const ReplacementTexts &texts, std::stop_token stop,
                           const std::function<void()> &yield)
{
    FolderChain folders;
    PreScanVerdict verdict;
    const std::optional<PageLocation> page = folders.locate(path, verdict.reason);
    if (!page)
        return verdict;
    return PreScanFile(*page, texts, std::move(stop), yield);
}
