#pragma once
// The General page (dialog 129): resource-manager status picture, the supported readers that are
// connected, and the versions and makers of the system's smart-card files. Everything is computed
// when the window is created; the main dialog hands over its context result and reader list first.

#include <cstdint>
#include <string>
#include <vector>

#include "sysinfo/SysInfo.h"
#include "ui/CGeneralPageTexts.h"
#include "win/Controls.h"
#include "win/Dialog.h"
#include "win/Dpi.h"
#include "win/Handles.h"
#include "win/Pictures.h"

class CGeneralPage : public CModelessDialog {
public:
    CGeneralPage();
    ~CGeneralPage() override;

    // The status pictures: a context was established, or not.
    static const BitmapVariants kStatusOkBitmap;
    static const BitmapVariants kStatusErrorBitmap;

    void SetResourceManagerOk(bool ok) { m_rmOk = ok; }
    // The main dialog's multi-string: `length` characters, final NULs included. It is read only
    // while the window is created; the main dialog keeps ownership.
    void SetReaderMultiString(std::uint32_t length, const char* readers)
    {
        m_readerMultiStringLength = length;
        m_readerMultiString = readers;
    }
    void SetHasReaders(bool hasReaders) { m_hasReaders = hasReaders; }

    // Three texts per listed file in query order: name, version, maker or "" (read by the log).
    std::vector<std::string> m_fileInfo;
    CListView m_fileList;
    CStatic m_statusPicture;

protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The system queries, virtual so that a test can stand in for the system.
    virtual bool IsVistaSystem() const { return m_sysInfo.IsWindowsVista(); }
    virtual bool QuerySystemFileVersion(const char* relativePath, std::string& version,
                                        std::string& maker) const
    {
        return m_sysInfo.GetSystemFileVersion(relativePath, version, maker);
    }
    // The scale the page's template is laid out at, which its pictures follow so that they keep
    // their places on its grid; virtual so that a test can draw them for another scale.
    virtual int PictureDpi() const { return TemplatePictureDpi(TemplateDpi(m_hWnd)); }

private:
    void ShowStatusPicture();
    void ShowLogo();
    void InsertFileColumns();
    void ReadFileRow(const char* relativePath);

    std::string m_readersText;
    bool m_rmOk = false;
    CBitmap m_hStatusBitmap;
    // The logo tiles loaded for the page's scale; the picture controls do not free them.
    std::vector<CIcon> m_logoIcons;
    char m_fileVersion[kFileTextSize] = {};
    char m_fileMaker[kFileTextSize] = {};
    bool m_hasReaders = false;
    std::uint32_t m_readerMultiStringLength = 0;
    const char* m_readerMultiString = nullptr;
    CSysInfo m_sysInfo;
};
