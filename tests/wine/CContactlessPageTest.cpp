#include "ui/CContactlessPage.h"

#include <gtest/gtest.h>

#include "PageHost.h"
#include "resource.h"

namespace {

constexpr DWORD kStatusEditStyle = ES_CENTER | ES_AUTOHSCROLL | ES_READONLY;
constexpr DWORD kDetailsStyle = LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_TABSTOP;

class ContactlessPageTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_page.Create(m_host.Handle())); }

    CPageHost m_host;
    CContactlessPage m_page;
};

TEST_F(ContactlessPageTest, IsHiddenChildOfItsParent)
{
    EXPECT_EQ(GetParent(m_page), m_host.Handle());
    EXPECT_FALSE(IsWindowVisible(m_page));
}

TEST_F(ContactlessPageTest, ControlsStandWhereTheTemplateSays)
{
    ExpectControls(m_page, {
        {IDC_READER_GROUP, "Button", 0, 7, 230, 63, BS_GROUPBOX},
        {IDC_CARD_STATUS, "Edit", 120, 18, 100, 13, kStatusEditStyle},
        {IDC_FIRMWARE, "Edit", 120, 33, 100, 13, kStatusEditStyle},
        {IDC_EMV, "Edit", 120, 49, 100, 13, kStatusEditStyle},
        {IDC_ATR, "Edit", 10, 89, 210, 20, ES_MULTILINE | ES_CENTER | ES_UPPERCASE | ES_READONLY},
        {IDC_DETAILS, "SysListView32", 10, 130, 210, 51, kDetailsStyle},
        {IDC_UID, "Edit", 10, 209, 210, 13, kStatusEditStyle},
    });
    // The UID is a hex line or a message: no case conversion in the template.
    ExpectStyleLacks(GetDlgItem(m_page, IDC_UID), ES_UPPERCASE | ES_LOWERCASE);
}

TEST_F(ContactlessPageTest, StartsWithEmptyFields)
{
    for (int id : {IDC_READER_GROUP, IDC_CARD_STATUS, IDC_FIRMWARE, IDC_EMV, IDC_ATR, IDC_UID}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(WindowText(GetDlgItem(m_page, id)), "");
    }
}

TEST_F(ContactlessPageTest, DetailsListHasTwoColumnsAndNoRows)
{
    HWND list = m_page.m_detailsList;
    ASSERT_EQ(list, GetDlgItem(m_page, IDC_DETAILS));
    EXPECT_EQ(ColumnCount(list), 2);
    EXPECT_EQ(ColumnText(list, 0), "Eigenschaft");
    EXPECT_EQ(ColumnText(list, 1), "Wert");
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), 133);
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), 161);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), LVS_EX_FULLROWSELECT);
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    ExpectStyleLacks(header, HDS_BUTTONS);
}

TEST_F(ContactlessPageTest, MembersAreBoundToTheirControls)
{
    EXPECT_EQ(m_page.m_uidEdit.Handle(), GetDlgItem(m_page, IDC_UID));
    EXPECT_EQ(m_page.m_atrEdit.Handle(), GetDlgItem(m_page, IDC_ATR));
}

TEST_F(ContactlessPageTest, UidEditCaseFollowsTheTextKind)
{
    m_page.m_uidEdit.SetUpperCase();
    m_page.SetItemText(IDC_UID, "04 a1 b2 c3");
    EXPECT_EQ(WindowText(m_page.m_uidEdit), "04 A1 B2 C3");

    m_page.m_uidEdit.ClearCaseConversion();
    m_page.SetItemText(IDC_UID, "nicht verf\xfcgbar");
    EXPECT_EQ(WindowText(m_page.m_uidEdit), "nicht verf\xfcgbar");
}

TEST_F(ContactlessPageTest, LeavesTheCursorToItsParent)
{
    const int before = CPageHost::SetCursorCount();
    SendMessageA(m_page, WM_SETCURSOR, reinterpret_cast<WPARAM>(m_page.Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(CPageHost::SetCursorCount(), before + 1);
}

}  // namespace
