#include "app/ProgressView.h"

#include "app/ProgressWindowView.h"

namespace {

ProgressView *installed = nullptr;

} // namespace

ProgressView &ProgressView::current()
{
    static ProgressWindowView window;
    return installed ? *installed : window;
}

void ProgressView::install(ProgressView *view)
{
    installed = view;
}
