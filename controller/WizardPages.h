#pragma once
// The page walk of a wizard without its widgets: which page shows, whether Back and Next may be
// used, and the step to the page before or after. A wizard derives from it and says in
// PageShown what a page does on arrival and which of the two buttons it leaves usable.

class WizardPages
{
public:
    explicit WizardPages(int pageCount);
    virtual ~WizardPages() = default;
    WizardPages(const WizardPages&) = delete;
    WizardPages& operator=(const WizardPages&) = delete;

    // Shows the first page; called once the window is built.
    void Start();
    // One page on or back, when the button may be used and there is a page to go to.
    void Next();
    void Back();

    int PageIndex() const { return index_; }
    int PageCount() const { return count_; }
    bool BackEnabled() const { return backEnabled_; }
    bool NextEnabled() const { return nextEnabled_; }
    bool CloseEnabled() const { return true; }

protected:
    // Moves to a page (held within the wizard's pages). Back is usable from the second page on
    // and Next up to the last but one, until PageShown says otherwise.
    void ShowPageIndex(int index);
    virtual void PageShown(int index) { static_cast<void>(index); }
    void SetBackEnabled(bool enabled) { backEnabled_ = enabled; }
    void SetNextEnabled(bool enabled) { nextEnabled_ = enabled; }

private:
    int count_;
    int index_ = 0;
    bool backEnabled_ = false;
    bool nextEnabled_ = false;
};
