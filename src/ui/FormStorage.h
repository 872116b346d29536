#pragma once
// TFormStorage: keeps one top-level window's placement and a few of its components' properties
// in the settings file, and lets the window keep its own keys at the same moments.
//
// Restore runs each time the window is shown (not when it comes back from being minimised),
// before the window's own show handling: placement, stored properties, then the window's restore
// handler. Save runs when the window is closed or otherwise hidden (not minimised) and, when that
// has not happened since the last restore, when the storage is destroyed: placement, stored
// properties, then the window's save handler. Each pass opens the settings file once and writes
// it once. A window that was never shown writes nothing, and neither does one whose last restore
// failed: the values it fell back on would overwrite settings it could not read.
//
// Placement keys, in the window's section: "FormVersion" (written 0; placement and properties
// are restored only when the stored value is at least 0), "Flags", "ShowCmd" (1 normal,
// 2 minimised, 3 maximised), "PixelsPerInch" (position and size are restored only on a screen of
// the same logical resolution), "MinMaxPos", "NormPos" (left, top, right, bottom of the normal
// geometry; a fixed-size window gets back only its position) and "Visible" (written only).
// A window stored minimised comes back normal (or maximised, when it was minimised from there):
// a window opened from a menu should not open as an icon.
//
// Errors of a pass (an unwritable file, a handler's exception) never leave the storage: they are
// shown through the notifier's error box, with the error's own text.
//
// Own the storage as the window's last member, so that a save at destruction still finds the
// window's widgets and the state its handlers use.

#include <functional>
#include <string>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QVariant>

class QWidget;
class TProfileFile;

// Thread rule: user-interface thread only.
class TFormStorage : public QObject {
    Q_OBJECT

public:
    // Reads or writes the window's own keys; the file is open for the pass.
    using THandler = std::function<void(TProfileFile& file)>;
    using TGetter = std::function<QVariant()>;
    using TSetter = std::function<void(const QVariant& value)>;

    // Values of "ShowCmd", and the "Flags" bit of a window minimised from the maximised state.
    static constexpr int ShowNormal = 1;
    static constexpr int ShowMinimized = 2;
    static constexpr int ShowMaximized = 3;
    static constexpr int RestoreToMaximized = 2;

    TFormStorage(QWidget* window, std::string fileName, std::string section);
    // Saves when the window was restored and not saved since.
    ~TFormStorage() override;
    TFormStorage(const TFormStorage&) = delete;
    TFormStorage& operator=(const TFormStorage&) = delete;

    QWidget* Window() const { return FWindow; }
    const std::string& FileName() const { return FFileName; }
    void SetFileName(std::string fileName) { FFileName = std::move(fileName); }
    const std::string& Section() const { return FSection; }

    // Stores property `property` of the component named `component` (found by objectName under
    // the window) under the key component + "_" + property, for example "CheckBox0_Checked".
    // The Qt property is the name with a lower-case first letter ("checked"); "Height" and
    // "Width" of a widget are set by resizing it. Booleans are written "True"/"False", integers
    // in decimal, anything else as text. A component that is missing is skipped.
    void AddStoredProperty(const std::string& component, const std::string& property);
    // The same under a key of the caller's choice, read and written through the given accessors
    // (for example a panel height that lives in a splitter). The getter's value type decides how
    // the value is written and read, and the getter's value is the default of a missing key; an
    // invalid QVariant skips the property.
    void AddStoredProperty(const std::string& key, TGetter getter, TSetter setter);

    void SetRestoreHandler(THandler handler) { FRestoreHandler = std::move(handler); }
    void SetSaveHandler(THandler handler) { FSaveHandler = std::move(handler); }

    // One restore pass, as at a showing. False when it failed (already reported).
    bool Restore();
    // One save pass, whether or not the window was restored. False when it failed.
    bool Save();
    // Saves only when the window was restored and not saved since; false only when that failed.
    bool SaveIfRestored();
    // Restored, and not saved since.
    bool Restored() const { return FRestored; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TStoredProperty {
        std::string Key;
        TGetter Get;
        TSetter Set;
    };

    void RestorePlacement(const TProfileFile& file);
    void SavePlacement(TProfileFile& file) const;
    void RestoreProperties(const TProfileFile& file);
    void SaveProperties(TProfileFile& file) const;
    int CurrentPixelsPerInch() const;
    bool FixedSize() const;

    // Guarded: a storage outliving its window by mistake must not touch it.
    QPointer<QWidget> FWindow;
    std::string FFileName;
    std::string FSection;
    std::vector<TStoredProperty> FProperties;
    THandler FRestoreHandler;
    THandler FSaveHandler;
    bool FRestored = false;
};

// "%d,%d,%d,%d" as the placement keys hold it, and its reading (blanks around the numbers are
// allowed; anything else gives false).
std::string FormatRectText(int a, int b, int c, int d);
bool ParseRectText(const std::string& text, int (&values)[4]);

// A window rectangle moved back onto the screens when the user could no longer grab it: the
// window's top band (where its title bar is), 32 pixels high or the whole window when lower,
// must show at least 32 pixels wide (or whole, when narrower) on one screen's available area.
// Otherwise it is moved inside the first area, as far as its size allows. The areas are passed
// in so that the rule can be tested on its own.
QRect KeptOnScreens(const QRect& window, const std::vector<QRect>& screenAreas);
