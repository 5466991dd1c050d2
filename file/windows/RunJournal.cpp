// Not journaled yet on Windows: runs there cannot be undone. The run goes on as without a journal.
#include "RunJournal.h"

RunJournal::RunJournal(const QString &root, const QString &home) : m_root(root), m_home(home) {}

RunJournal::~RunJournal() = default;

bool RunJournal::open()
{
    return true;
}

bool RunJournal::keepOriginal(const PageLocation &, int, qint64)
{
    return true;
}

bool RunJournal::record(int)
{
    return true;
}

void RunJournal::forgetUnlessPlaced(const PageLocation &) {}
