// SPDX-License-Identifier: MIT
#pragma once

#include "forms/AccessibleText.h"
#include "forms/Property.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace forms {

class Application;
class CommandButton;
class Control;
class ControlArrayBase;
class WindowObserver;

enum class Frame : std::uint8_t {
    Sizable,       // the window system's usual frame and buttons
    FixedDialog,   // not resizable, no maximize and no minimize button
    None,          // no border and no title bar
};

enum class Placement : std::uint8_t {
    WindowSystem,  // where the window system chooses
    CenterScreen,
    Maximized,
};

// A window: a caption, design-time controls and control arrays, shown or hidden. Subclasses
// declare their controls as members and wire their events in the constructor.
class Window {
public:
    Window(Application& application, std::string name);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    Application& application() const { return m_application; }
    const std::string& name() const { return m_name; }

    const std::string& caption() const { return m_caption; }
    void setCaption(const std::string& caption);

    // Client area in twips.
    float clientWidth() const { return m_clientWidth; }
    float clientHeight() const { return m_clientHeight; }
    void setClientSize(float width, float height);

    Frame frame() const { return m_frame; }
    Placement placement() const { return m_placement; }
    bool showInTaskbar() const { return m_showInTaskbar; }
    // The window the others belong to: the window system keeps them above it and places them
    // over it.
    bool isMainWindow() const { return m_mainWindow; }
    const std::string& iconName() const { return m_iconName; }
    // A picture from the program's resources drawn from the client area's top-left corner.
    const std::string& backgroundPicture() const { return m_backgroundPicture; }
    unsigned backColor() const { return m_backColor; }
    bool hasBackColor() const { return m_hasBackColor; }

    // Modeless: the caller goes on at once. A shown window is brought to the front.
    void show();
    void hide();
    bool isShown() const { return m_shown; }

    // The creation step, run once right after the window is created on first reference.
    virtual void load() { }
    // The user closes the window through its frame: it is unloaded. The main window ends the
    // program instead, so no hidden window can keep it alive.
    virtual void frameClosed();

    // Key preview: the window's handler sees every typed character first; the character then
    // goes on unchanged to the focused control.
    bool keyPreview() const { return m_keyPreview; }
    std::function<void(int)> onKeyPress;
    CommandButton* defaultButton() const { return m_defaultButton; }
    CommandButton* cancelButton() const { return m_cancelButton; }

    // The user types a character (its code: printable characters by code, Backspace 8, Escape 27)
    // while this window is active. Runs the key handler, then Enter and Escape click the
    // default and cancel buttons.
    void characterTyped(int code);

    // The user presses Alt with a letter. A label whose caption marks that letter with "&"
    // hands the focus to the first control after it in tab order that can take the focus, as
    // labels do for the boxes they name. Returns whether a label took the key.
    bool accessKey(char letter);

    // Files or folders dropped on the window from another program, as paths; `target` is the
    // control under the drop, or null for the window itself. Only a window that says it
    // accepts drops gets them.
    virtual bool acceptsDrops() const { return false; }
    virtual void filesDropped(const std::vector<std::string>&, Control*) { }

    // The words assistive technology hears for one of this window's controls; a window whose
    // controls need more than their captions says so here.
    virtual AccessibleText accessibleText(const Control&) const { return {}; }

    // Design-time controls in creation order, which is also their drawing order, then the loaded
    // array elements; the controls brought to the front come last of all, in the order they were
    // brought there.
    const std::vector<Control*>& controls() const { return m_controls; }
    const std::vector<Control*>& frontControls() const { return m_front; }
    void bringToFront(Control& control);
    const std::vector<ControlArrayBase*>& arrays() const { return m_arrays; }
    const std::vector<Control*>& tabOrder() const { return m_tabOrder; }
    Control* focusControl() const { return m_focus; }

    void setObserver(WindowObserver* observer) { m_observer = observer; }
    WindowObserver* observer() const { return m_observer; }

    // Called by controls and arrays.
    void adopt(Control& control);
    void forget(Control& control);
    void adoptArray(ControlArrayBase& array);
    void controlChanged(Control& control, Property property);
    void elementAdded(Control& control);
    void elementRemoved(Control& control);
    void setFocusControl(Control* control);
    // The binding tells where the user moved the focus (null: the window itself); nothing is
    // echoed back to it.
    void focusMoved(Control* control);

protected:
    void setFrame(Frame frame) { m_frame = frame; }
    void setPlacement(Placement placement) { m_placement = placement; }
    void setShowInTaskbar(bool show) { m_showInTaskbar = show; }
    void setMainWindow(bool main) { m_mainWindow = main; }
    void setIconName(const std::string& name) { m_iconName = name; }
    void setBackground(unsigned rgb, const std::string& picture = {});
    void setKeyPreview(bool on) { m_keyPreview = on; }
    void setDefaultButton(CommandButton* button) { m_defaultButton = button; }
    void setCancelButton(CommandButton* button) { m_cancelButton = button; }
    void setTabOrder(std::initializer_list<Control*> order) { m_tabOrder = order; }

private:
    // The focused control can no longer take the focus: it passes on to the next control in
    // tab order that can, or to the window itself when none can.
    void passFocusOn(Control& from);

    Application& m_application;
    std::string m_name;
    std::string m_caption;
    float m_clientWidth = 4800;
    float m_clientHeight = 3600;
    Frame m_frame = Frame::Sizable;
    Placement m_placement = Placement::WindowSystem;
    bool m_showInTaskbar = true;
    bool m_mainWindow = false;
    std::string m_iconName;
    std::string m_backgroundPicture;
    unsigned m_backColor = 0;
    bool m_hasBackColor = false;
    bool m_shown = false;
    bool m_keyPreview = false;
    CommandButton* m_defaultButton = nullptr;
    CommandButton* m_cancelButton = nullptr;
    std::vector<Control*> m_controls;
    std::vector<ControlArrayBase*> m_arrays;
    std::vector<Control*> m_tabOrder;
    std::vector<Control*> m_front;
    Control* m_focus = nullptr;
    WindowObserver* m_observer = nullptr;
};

}
