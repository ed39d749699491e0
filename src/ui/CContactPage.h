#pragma once
// The contact reader page (dialog 139). Passive: the main dialog writes the reader's name, card
// status, versions, ATR and ATR details into it; the page only lays out the two-column list.

#include "win/Controls.h"
#include "win/Dialog.h"

// Gives a page's details list its "Eigenschaft" and "Wert" columns (widths in pixels at 96 DPI,
// grown with the page's template), no rows and full-row selection as its only extended style.
void InitDetailsList(const CListView& list, int propertyWidth, int valueWidth);

class CContactPage : public CModelessDialog {
public:
    // Pixels at 96 DPI.
    static constexpr int kPropertyWidth = 155;
    static constexpr int kValueWidth = 139;

    CContactPage();
    ~CContactPage() override;

    CEdit m_atrEdit;
    CListView m_detailsList;

protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;
    // WM_SETCURSOR goes to default processing, which asks the main dialog first: its wait cursor
    // then covers the page too.
};
