#include "ui/CGeneralPage.h"

#include "resource.h"
#include "win/Dpi.h"
#include "win/Text.h"

namespace {
// The readers field is read-only; its input limit never cuts the text shown.
constexpr int kReadersTextLimit = 40;

struct FileColumn {
    unsigned headerId;
    int width;  // pixels at 96 DPI
};
constexpr FileColumn kFileColumns[] = {{IDS_FILE, 80}, {IDS_VERSION, 100}, {IDS_MAKER, 131}};
}  // namespace

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
    if (message == WM_NCDESTROY)
        m_hStatusBitmap.Reset();
    return false;
}

void CGeneralPage::ShowStatusPicture()
{
    const unsigned id = m_rmOk ? IDB_STATUS_OK : IDB_STATUS_ERROR;
    m_hStatusBitmap.Reset(::LoadBitmapA(ResourceModule(), MAKEINTRESOURCEA(id)));
    // The control loaded the template's picture itself; nobody else would free it.
    HBITMAP previous = m_statusPicture.SetBitmap(m_hStatusBitmap.Get());
    if (previous != nullptr && previous != m_hStatusBitmap.Get())
        ::DeleteObject(previous);
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
