#include "ui/CContactPage.h"

#include <gtest/gtest.h>

#include "PageHost.h"
#include "resource.h"

namespace {

constexpr DWORD kStatusEditStyle = ES_CENTER | ES_AUTOHSCROLL | ES_READONLY;
constexpr DWORD kDetailsStyle = LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_TABSTOP;

class ContactPageTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_page.Create(m_host.Handle())); }

    CPageHost m_host;
    CContactPage m_page;
};

TEST_F(ContactPageTest, IsHiddenChildOfItsParent)
{
    EXPECT_EQ(GetParent(m_page), m_host.Handle());
    EXPECT_NE(m_page.Style() & WS_CHILD, 0u);
    EXPECT_FALSE(IsWindowVisible(m_page));
}

TEST_F(ContactPageTest, ControlsStandWhereTheTemplateSays)
{
    ExpectControls(m_page, {
        {IDC_DETAILS, "SysListView32", 10, 130, 210, 92, kDetailsStyle},
        {IDC_READER_GROUP, "Button", 0, 7, 230, 63, BS_GROUPBOX},
        {IDC_CARD_STATUS, "Edit", 120, 18, 100, 13, kStatusEditStyle},
        {IDC_FIRMWARE, "Edit", 120, 33, 100, 13, kStatusEditStyle},
        {IDC_EMV, "Edit", 120, 49, 100, 13, kStatusEditStyle},
        {IDC_ATR, "Edit", 10, 89, 210, 20, ES_MULTILINE | ES_CENTER | ES_UPPERCASE | ES_READONLY},
    });
    EXPECT_EQ(GetDlgItem(m_page, IDC_UID), nullptr);
}

TEST_F(ContactPageTest, StartsWithEmptyFields)
{
    for (int id : {IDC_READER_GROUP, IDC_CARD_STATUS, IDC_FIRMWARE, IDC_EMV, IDC_ATR}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(WindowText(GetDlgItem(m_page, id)), "");
    }
}

TEST_F(ContactPageTest, DetailsListHasTwoColumnsAndNoRows)
{
    HWND list = m_page.m_detailsList;
    ASSERT_EQ(list, GetDlgItem(m_page, IDC_DETAILS));
    EXPECT_EQ(ColumnCount(list), 2);
    EXPECT_EQ(ColumnText(list, 0), "Eigenschaft");
    EXPECT_EQ(ColumnText(list, 1), "Wert");
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), 155);
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), 139);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), LVS_EX_FULLROWSELECT);
}

TEST_F(ContactPageTest, HeaderDoesNotSort)
{
    // Without button-style header items a click on a header sends no LVN_COLUMNCLICK.
    HWND header = reinterpret_cast<HWND>(SendMessageA(m_page.m_detailsList, LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    ExpectStyleLacks(header, HDS_BUTTONS);
}

TEST_F(ContactPageTest, AtrEditShowsHexInCapitalsAndMessagesInMixedCase)
{
    ASSERT_EQ(m_page.m_atrEdit.Handle(), GetDlgItem(m_page, IDC_ATR));
    m_page.m_atrEdit.SetUpperCase();
    m_page.SetItemText(IDC_ATR, "3b 02 14 50");
    EXPECT_EQ(WindowText(m_page.m_atrEdit), "3B 02 14 50");

    m_page.m_atrEdit.ClearCaseConversion();
    ExpectStyleLacks(m_page.m_atrEdit, ES_UPPERCASE | ES_LOWERCASE);
    m_page.SetItemText(IDC_ATR, "nicht verf\xfcgbar");
    EXPECT_EQ(WindowText(m_page.m_atrEdit), "nicht verf\xfcgbar");
}

TEST_F(ContactPageTest, LeavesTheCursorToItsParent)
{
    const int before = CPageHost::SetCursorCount();
    SendMessageA(m_page, WM_SETCURSOR, reinterpret_cast<WPARAM>(m_page.Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(CPageHost::SetCursorCount(), before + 1);
}

TEST_F(ContactPageTest, NewWindowStartsEmptyAgain)
{
    m_page.m_detailsList.InsertItem(0, "Protokoll");
    m_page.m_detailsList.SetItemText(0, 1, "T=1");
    m_page.SetItemText(IDC_CARD_STATUS, "Karte gesteckt");

    m_page.DestroyWindowIfAny();
    EXPECT_EQ(m_page.Handle(), nullptr);
    ASSERT_TRUE(m_page.Create(m_host.Handle()));

    EXPECT_EQ(ColumnCount(m_page.m_detailsList), 2);
    EXPECT_EQ(SendMessageA(m_page.m_detailsList, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(WindowText(GetDlgItem(m_page, IDC_CARD_STATUS)), "");
}

TEST(CContactPage, ObjectGoneTakesItsWindowAlong)
{
    CPageHost host;
    HWND hWnd = nullptr;
    {
        CContactPage page;
        ASSERT_TRUE(page.Create(host.Handle()));
        hWnd = page;
    }
    EXPECT_FALSE(IsWindow(hWnd));
}

}  // namespace
