#pragma once

#include "ScratchFile.h"
#include "UnitSink.h"

/// The scratch file as the sink of a rewritten line's units. It gives units back, from its
/// buffer or from the file, when replacements reach further back than the replacer holds.
/// A dry run's File is a PreviewOutput.
template <typename Unit, typename File = ScratchFile>
class ScratchUnitSink final : public UnitSink<Unit>
{
public:
    explicit ScratchUnitSink(File &file) : m_file(file) {}

    bool put(const Unit *units, std::size_t count) override
    {
        return m_file.write(units, qsizetype(count * sizeof(Unit)));
    }

    bool takeBack(Unit *units, std::size_t count) override
    {
        return m_file.takeBack(units, qsizetype(count * sizeof(Unit)));
    }

private:
    File &m_file;
};
