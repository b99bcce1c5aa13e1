#include "controller/WizardPages.h"

#include <algorithm>

WizardPages::WizardPages(int pageCount) : count_(std::max(pageCount, 1))
{ }

void WizardPages::Start()
{
    ShowPageIndex(0);
}

void WizardPages::Next()
{
    if (nextEnabled_ && index_ + 1 < count_)
        ShowPageIndex(index_ + 1);
}

void WizardPages::Back()
{
    if (backEnabled_ && index_ > 0)
        ShowPageIndex(index_ - 1);
}

void WizardPages::ShowPageIndex(int index)
{
    index_ = std::clamp(index, 0, count_ - 1);
    backEnabled_ = index_ > 0;
    nextEnabled_ = index_ + 1 < count_;
    PageShown(index_);
}
