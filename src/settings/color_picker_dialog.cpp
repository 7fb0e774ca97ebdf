#include "color_picker_dialog.h"

#include <commctrl.h>

#include "core/app_state.h"
#include "core/gdi_guards.h"
#include "core/identifiers.h"
#include "core/message_box.h"

namespace {

const int SLIDER_IDS[3] = {IDC_RED_SLIDER, IDC_GREEN_SLIDER, IDC_BLUE_SLIDER};

int SliderPosition(HWND dialog, int id)
{
    return static_cast<int>(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0));
}

void OnInitDialog(HWND dialog)
{
    for (int id : SLIDER_IDS)
        SendDlgItemMessageA(dialog, id, TBM_SETRANGE, TRUE, MAKELPARAM(0, 255));
    // The slider clamps a hand-edited value outside 0 to 255 into its range.
    const int color[3] = {appState.backgroundRed, appState.backgroundGreen,
                           appState.backgroundBlue};
    for (int i = 0; i < 3; ++i)
        SendDlgItemMessageA(dialog, SLIDER_IDS[i], TBM_SETPOS, TRUE, color[i]);
    // The sample is drawn over the static control, which paints itself plain
    // whenever it is uncovered; the timer brings the colour back.
    SetTimer(dialog, PREVIEW_TIMER_ID, PREVIEW_PERIOD, nullptr);
}

void PaintSample(HWND dialog)
{
    const COLORREF color = RGB(SliderPosition(dialog, IDC_RED_SLIDER),
                               SliderPosition(dialog, IDC_GREEN_SLIDER),
                               SliderPosition(dialog, IDC_BLUE_SLIDER));
    HWND sample = GetDlgItem(dialog, IDC_SAMPLE);
    const WindowDc sampleDc(sample);
    const GdiObject<HBRUSH> brush(CreateSolidBrush(color));
    if (sampleDc.dc == nullptr || brush.handle == nullptr)
        return;
    RECT area = {};
    GetClientRect(sample, &area);
    FillRect(sampleDc.dc, &area, brush.handle);
}

void OnCommand(HWND dialog, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDC_OK:
        appState.backgroundRed = SliderPosition(dialog, IDC_RED_SLIDER);
        appState.backgroundGreen = SliderPosition(dialog, IDC_GREEN_SLIDER);
        appState.backgroundBlue = SliderPosition(dialog, IDC_BLUE_SLIDER);
        EndDialog(dialog, 0);
        break;
    case IDC_CANCEL:
        EndDialog(dialog, 0);
        break;
    default:
        break;
    }
}

// The template cannot be created without the slider's window class.
void RegisterSliderClass()
{
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);
}

INT_PTR CALLBACK ColorPickerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        OnCommand(dialog, wParam);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    case WM_TIMER:
        SendMessageA(dialog, WM_HSCROLL, 0, 0);
        return TRUE;
    case WM_HSCROLL:
        PaintSample(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

bool RunColorPickerDialog(HWND owner)
{
    RegisterSliderClass();
    if (DialogBoxParamA(appState.instance, MAKEINTRESOURCEA(IDD_COLOR_PICKER), owner,
                        ColorPickerDialogProc, 0) != -1)
        return true;
    ShowError(owner, "カラーピッカーが準備できませんでした。");
    return false;
}
