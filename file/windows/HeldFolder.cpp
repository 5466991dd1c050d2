#include "file/HeldFolder.h"

HeldFolder::HeldFolder(const PageLocation &page) : m_page(page) {}

HeldFolder::~HeldFolder() = default;

bool HeldFolder::sameFolder(const HeldFolder &) const
{
    return false;
}

// ReplaceFileW's replacement is durable as it returns (see ScratchFile).
bool HeldFolder::sync()
{
    return true;
}
