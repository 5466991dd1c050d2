#include "ProgressView.h"

#include "Form2View.h"

namespace {

ProgressView *installed = nullptr;

} // namespace

ProgressView &ProgressView::current()
{
    static Form2View window;
    return installed ? *installed : window;
}

void ProgressView::install(ProgressView *view)
{
    installed = view;
}
