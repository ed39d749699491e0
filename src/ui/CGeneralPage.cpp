#include "ui/CGeneralPage.h"

#include "resource.h"
#include "win/Dpi.h"
#include "win/Pictures.h"
#include "win/Text.h"

#include <cstddef>
#include <iterator>
#include <utility>

namespace {
// The readers field is read-only; its input limit never cuts the text shown.
constexpr int kReadersTextLimit = 40;

struct FileColumn {
    unsigned headerId;
    int width;  // pixels at 96 DPI
};
constexpr FileColumn kFileColumns[] = {{IDS_FILE, 80}, {IDS_VERSION, 100}, {IDS_MAKER, 131}};
}  // namespace

const BitmapVariants CGeneralPage::kStatusOkBitmap = {
    {IDB_STATUS_OK, IDB_STATUS_OK_125, IDB_STATUS_OK_150, IDB_STATUS_OK_200}};
const BitmapVariants CGeneralPage::kStatusErrorBitmap = {
    {IDB_STATUS_ERROR, IDB_STATUS_ERROR_125, IDB_STATUS_ERROR_150, IDB_STATUS_ERROR_200}};

CGeneralPage::CGeneralPage() : CModelessDialog(IDD_GENERAL_PAGE) {}

CGeneralPage::~CGeneralPage() = default;

void CGeneralPage::DoDataExchange()
{
    m_fileList.Attach(GetItem(IDC_FILE_LIST));
    m_statusPicture.Attach(GetItem(IDC_RM_STATUS));
    CEdit readers(GetItem(IDC_READER_NAMES));
    readers.SetLimitText(kReadersTextLimit);
    readers.SetText(m_readersText);
}

bool CGeneralPage::OnInitDialog()
{
    m_fileInfo.clear();
    ShowStatusPicture();
    ShowLogo();

    m_readersText.clear();
    DoDataExchange();
    m_readersText = ComposeReadersText(m_hasReaders, m_readerMultiString, m_readerMultiStringLength,
                                       LoadText(IDS_NO_READERS));
    DoDataExchange();

    InsertFileColumns();
    m_fileList.DeleteAllItems();
    m_fileList.SetExtendedStyle(0, LVS_EX_FULLROWSELECT);

    // Each row goes to the top, so the list shows the files in reverse query order while
    // m_fileInfo keeps the query order.
    for (const SystemFile& file : SystemFilesToQuery(IsVistaSystem())) {
        ReadFileRow(file.queryPath);
        m_fileList.InsertItem(0, file.shownName);
        m_fileList.SetItemText(0, 1, m_fileVersion);
        m_fileList.SetItemText(0, 2, m_fileMaker);
        AppendFileInfo(m_fileInfo, file.shownName, m_fileVersion, m_fileMaker);
    }
    return true;
}

bool CGeneralPage::OnMessage(UINT message, WPARAM, LPARAM, LRESULT&)
{
    // The picture control is gone by now and does not free the bitmap itself.
    if (message == WM_NCDESTROY) {
        m_hStatusBitmap.Reset();
        m_logoIcons.clear();
    }
    return false;
}

void CGeneralPage::ShowStatusPicture()
{
    m_hStatusBitmap.Reset(
        LoadBitmapForDpi(ResourceModule(), m_rmOk ? kStatusOkBitmap : kStatusErrorBitmap, PictureDpi()));
    // The control loaded the template's picture itself; nobody else would free it.
    HBITMAP previous = m_statusPicture.SetBitmap(m_hStatusBitmap.Get());
    if (previous != nullptr && previous != m_hStatusBitmap.Get())
        ::DeleteObject(previous);
}

namespace {
// The maker's logo: the template's icon pictures in their order, word mark (136, 133, 134, 135)
// and emblem (130, 131, 132).
constexpr int kLogoTiles[] = {IDI_LOGO_136, IDI_LOGO_133, IDI_LOGO_134, IDI_LOGO_135,
                              IDI_LOGO_130, IDI_LOGO_131, IDI_LOGO_132};
constexpr int kLogoTilePx = 32;  // at 96 DPI

BOOL CALLBACK CollectIconPicture(HWND child, LPARAM list)
{
    char kind[16] = {};
    GetClassNameA(child, kind, sizeof kind);
    if (lstrcmpiA(kind, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
        // NOLINTNEXTLINE(performance-no-int-to-ptr): EnumChildWindows hands back the list it was given
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}
}  // namespace

// The template's pictures hold the 32 px tiles; each gets its tile drawn for the page's scale and
// is sized to show it whole, at the template's place. The template's own icons are shared ones
// of the module and are not freed here.
void CGeneralPage::ShowLogo()
{
    m_logoIcons.clear();
    std::vector<HWND> pictures;
    EnumChildWindows(m_hWnd, CollectIconPicture, reinterpret_cast<LPARAM>(&pictures));
    const int px = ScalePx(kLogoTilePx, PictureDpi());
    for (std::size_t i = 0; i < pictures.size() && i < std::size(kLogoTiles); ++i) {
        CIcon icon = ShowIconPicture(pictures[i], ResourceModule(), kLogoTiles[i], px);
        if (icon)
            m_logoIcons.push_back(std::move(icon));
    }
}

void CGeneralPage::InsertFileColumns()
{
    const int dpi = TemplateDpi(m_hWnd);
    int index = 0;
    for (const FileColumn& column : kFileColumns) {
        m_fileList.InsertColumn(index, LoadText(column.headerId), ScalePx(column.width, dpi));
        ++index;
    }
}

void CGeneralPage::ReadFileRow(const char* relativePath)
{
    CopyFileText(m_fileVersion, std::string());
    CopyFileText(m_fileMaker, std::string());
    std::string version;
    std::string maker;
    if (QuerySystemFileVersion(relativePath, version, maker)) {
        CopyFileText(m_fileVersion, version);
        CopyFileText(m_fileMaker, maker);
    } else {
        const std::string notAvailable = LoadText(IDS_NOT_AVAILABLE);
        CopyFileText(m_fileVersion, notAvailable);
        CopyFileText(m_fileMaker, notAvailable);
    }
}
