#include "scan/FolderHandle.h"

#include "scan/FolderPath.h"

FolderHandle::FolderHandle(const QString &folder) : m_native{folder}, m_identity(folder) {}

FolderHandle::~FolderHandle() = default;

FolderHandle::FolderHandle(FolderHandle &&other) noexcept = default;

FolderHandle FolderHandle::subfolder(const QString &name) const
{
    return FolderHandle(FolderPath::join(m_native.path, name));
}
