#include <gtest/gtest.h>

#include "view/pv_kelvara_view.h"

TEST(ViewState, Placeholder) {
    kelvara::PVKelvaraView view;
}
