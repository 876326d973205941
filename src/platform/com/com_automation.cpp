// File: platform/com/com_automation.cpp
#include "platform/com/com_automation.h"

#include <windows.h>
#include <objbase.h>

#include "base/errors.h"
#include "platform/com/objects.h"

namespace quillmax::com {
namespace {

// The clipboard's enhanced metafile played into a white bitmap of the size
// its own bounds give (device pixels of the machine that made it).
std::optional<office::Raster> RenderClipboardMetafile() {
    if (!::OpenClipboard(nullptr)) throw office::AutomationError("Clipboard", "cannot open the clipboard");
    std::optional<office::Raster> out;
    HENHMETAFILE emf = static_cast<HENHMETAFILE>(::GetClipboardData(CF_ENHMETAFILE));
    ENHMETAHEADER header{};
    if (emf && ::GetEnhMetaFileHeader(emf, sizeof header, &header)) {
        const int w = header.rclBounds.right - header.rclBounds.left + 1;
        const int h = header.rclBounds.bottom - header.rclBounds.top + 1;
        if (w > 0 && h > 0 && w <= 20000 && h <= 20000) {
            BITMAPINFO bi{};
            bi.bmiHeader.biSize = sizeof bi.bmiHeader;
            bi.bmiHeader.biWidth = w;
            bi.bmiHeader.biHeight = -h; // top-down rows
            bi.bmiHeader.biPlanes = 1;
            bi.bmiHeader.biBitCount = 32;
            bi.bmiHeader.biCompression = BI_RGB;
            void* bits = nullptr;
            HDC dc = ::CreateCompatibleDC(nullptr);
            HBITMAP bmp = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
            if (dc && bmp && bits) {
                HGDIOBJ old = ::SelectObject(dc, bmp);
                RECT r{0, 0, w, h};
                ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
                ::PlayEnhMetaFile(dc, emf, &r);
                ::GdiFlush();
                office::Raster raster;
                raster.width = w;
                raster.height = h;
                const auto* px = static_cast<const std::uint32_t*>(bits); // 0x00RRGGBB
                raster.pixels.assign(px, px + static_cast<size_t>(w) * h);
                for (auto& p : raster.pixels) p &= 0xFFFFFF;
                out = std::move(raster);
                ::SelectObject(dc, old);
            }
            if (bmp) ::DeleteObject(bmp);
            if (dc) ::DeleteDC(dc);
        }
    }
    ::CloseClipboard();
    return out;
}

class SystemClipboardImpl : public office::Clipboard {
public:
    void Clear() override {
        if (!::OpenClipboard(nullptr)) throw office::AutomationError("Clipboard", "cannot open the clipboard");
        ::EmptyClipboard();
        ::CloseClipboard();
    }
    std::optional<office::Raster> MetafilePicture() override { return RenderClipboardMetafile(); }
};

class ComAutomation : public office::Automation {
public:
    ComAutomation() {
        const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        initialised_ = SUCCEEDED(hr); // S_FALSE too: balanced by CoUninitialize
    }
    ~ComAutomation() override {
        if (initialised_) ::CoUninitialize();
    }
    std::shared_ptr<office::Application> AttachPowerPoint() override {
        return WrapApplication(GetActiveObject("PowerPoint.Application"));
    }
    std::shared_ptr<office::Application> CreatePowerPoint() override {
        return WrapApplication(CreateObject("PowerPoint.Application"));
    }
    std::shared_ptr<office::ExcelApplication> CreateExcel() override {
        return WrapExcelApplication(CreateObject("EXCEL.Application"));
    }
    office::Clipboard& SystemClipboard() override { return clipboard_; }
    // The programs finish pastes and deletions after the call returns.
    void Settle(int ms) override { ::Sleep(static_cast<DWORD>(ms > 0 ? ms : 0)); }

private:
    bool initialised_ = false;
    SystemClipboardImpl clipboard_;
};

} // namespace

std::unique_ptr<office::Automation> CreateAutomation() { return std::make_unique<ComAutomation>(); }

} // namespace quillmax::com
