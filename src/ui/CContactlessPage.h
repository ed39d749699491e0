#pragma once
// The contactless reader page (dialog 141): the contact page's fields with a shorter details list
// and the card's UID below it. Passive like the contact page.

#include "win/Controls.h"
#include "win/Dialog.h"

class CContactlessPage : public CModelessDialog {
public:
    // Pixels at 96 DPI.
    static constexpr int kPropertyWidth = 133;
    static constexpr int kValueWidth = 161;

    CContactlessPage();
    ~CContactlessPage() override;

    CEdit m_uidEdit;
    CEdit m_atrEdit;
    CListView m_detailsList;

protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;
};
