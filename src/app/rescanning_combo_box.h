#pragma once
// A pop-up that refreshes its items just before it opens: a list of things that come and go
// (the synthesizers a tuning can be sent to) is current whenever the user looks at it.
#include <QComboBox>
#include <functional>
#include <utility>

namespace kelvara {

class RescanningComboBox final : public QComboBox {
public:
    using QComboBox::QComboBox;
    // Runs before the list opens; it may refill the items.
    void set_before_popup(std::function<void()> refill) { before_popup_ = std::move(refill); }
    void showPopup() override {
        if (before_popup_) before_popup_();
        QComboBox::showPopup();
    }

private:
    std::function<void()> before_popup_;
};

}  // namespace kelvara
