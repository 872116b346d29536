#include "ui/FormStorage.h"

#include "acquisition/Notifier.h"
#include "acquisition/NumberText.h"
#include "acquisition/ProfileFile.h"
#include "settings/SettingsKeys.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

namespace {

namespace Keys = SettingsKeys::Placement;

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool IsIntegerType(int typeId) {
    switch (typeId) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

QObject* FindComponent(QWidget* window, const QString& name) {
    if (window->objectName() == name) return window;
    return window->findChild<QObject*>(name);
}

// Areas of every screen, the primary one first: a window kept on screen goes back there.
std::vector<QRect> ScreenAreas() {
    std::vector<QRect> areas;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) areas.push_back(primary->availableGeometry());
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != primary) areas.push_back(screen->availableGeometry());
    return areas;
}

void ReportError(const std::string& message) {
    Notifier().ErrorBox(message.empty() ? std::string("Error") : message);
}

}  // namespace

TFormStorage::TFormStorage(QWidget* window, std::string fileName, std::string section)
    : FWindow(window), FFileName(std::move(fileName)), FSection(std::move(section)) {
    FWindow->installEventFilter(this);
}

TFormStorage::~TFormStorage() {
    if (!FWindow) return;
    FWindow->removeEventFilter(this);
    SaveIfRestored();
}

void TFormStorage::AddStoredProperty(const std::string& component, const std::string& property) {
    QWidget* window = FWindow;
    const QString name = QString::fromStdString(component);
    QByteArray qtName = QByteArray::fromStdString(property);
    if (!qtName.isEmpty()) qtName[0] = char(std::tolower(static_cast<unsigned char>(qtName[0])));
    const bool isHeight = qtName == "height";
    const bool isWidth = qtName == "width";

    TGetter getter = [window, name, qtName]() -> QVariant {
        QObject* object = FindComponent(window, name);
        return object ? object->property(qtName.constData()) : QVariant();
    };
    TSetter setter = [window, name, qtName, isHeight, isWidth](const QVariant& value) {
        QObject* object = FindComponent(window, name);
        if (!object) return;
        auto* widget = qobject_cast<QWidget*>(object);
        // A widget's height and width are read-only properties; resizing sets them.
        if (widget && isHeight)
            widget->resize(widget->width(), value.toInt());
        else if (widget && isWidth)
            widget->resize(value.toInt(), widget->height());
        else
            object->setProperty(qtName.constData(), value);
    };
    AddStoredProperty(component + "_" + property, std::move(getter), std::move(setter));
}

void TFormStorage::AddStoredProperty(const std::string& key, TGetter getter, TSetter setter) {
    FProperties.push_back({key, std::move(getter), std::move(setter)});
}

bool TFormStorage::Restore() {
    FRestored = false;
    if (!FWindow) return false;
    try {
        TProfileFile file(FFileName);
        TProfileUpdate update(file);
        if (file.ReadInteger(FSection, Keys::FormVersion, 0) >= 0) {
            RestorePlacement(file);
            RestoreProperties(file);
        }
        if (FRestoreHandler) FRestoreHandler(file);
        update.Commit();
    } catch (const std::exception& error) {
        ReportError(error.what());
        return false;
    } catch (...) {
        ReportError("Unknown error while reading " + FFileName);
        return false;
    }
    FRestored = true;
    return true;
}

bool TFormStorage::Save() {
    // One attempt per closing: a failure is reported once, not again at destruction.
    FRestored = false;
    if (!FWindow) return false;
    try {
        TProfileFile file(FFileName);
        TProfileUpdate update(file);
        SavePlacement(file);
        SaveProperties(file);
        if (FSaveHandler) FSaveHandler(file);
        update.Commit();
    } catch (const std::exception& error) {
        ReportError(error.what());
        return false;
    } catch (...) {
        ReportError("Unknown error while writing " + FFileName);
        return false;
    }
    return true;
}

bool TFormStorage::SaveIfRestored() { return !FRestored || Save(); }

bool TFormStorage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FWindow && !event->spontaneous()) {
        // Spontaneous show and hide events come from minimising and restoring.
        if (event->type() == QEvent::Show)
            Restore();
        else if (event->type() == QEvent::Hide)
            SaveIfRestored();
    }
    return false;
}

void TFormStorage::RestorePlacement(const TProfileFile& file) {
    const int showCmd = file.ReadInteger(FSection, Keys::ShowCmd, 0);
    const int flags = file.ReadInteger(FSection, Keys::Flags, 0);
    const bool maximize = showCmd == ShowMaximized ||
                          (showCmd == ShowMinimized && (flags & RestoreToMaximized) != 0);

    int rect[4] = {};
    const int pixelsPerInch = CurrentPixelsPerInch();
    const bool sameScreen = file.ReadInteger(FSection, Keys::PixelsPerInch, pixelsPerInch) == pixelsPerInch;
    const bool haveRect = sameScreen &&
                          ParseRectText(file.ReadString(FSection, Keys::NormPos, ""), rect) &&
                          rect[2] > rect[0] && rect[3] > rect[1];

    if (haveRect || (showCmd > 0 && !maximize)) {
        // The normal geometry is set in the normal state; maximising comes after it.
        if (FWindow->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
            FWindow->setWindowState(FWindow->windowState() &
                                    ~(Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
    }
    if (haveRect) {
        QRect stored(QPoint(rect[0], rect[1]), QSize(rect[2] - rect[0], rect[3] - rect[1]));
        if (FixedSize()) stored.setSize(FWindow->size());
        FWindow->setGeometry(KeptOnScreens(stored, ScreenAreas()));
    }
    if (maximize) FWindow->setWindowState(FWindow->windowState() | Qt::WindowMaximized);
}

void TFormStorage::SavePlacement(TProfileFile& file) const {
    const Qt::WindowStates state = FWindow->windowState();
    const bool minimized = state & Qt::WindowMinimized;
    const bool maximized = state & Qt::WindowMaximized;
    const QRect normal = FWindow->isWindow() && !FWindow->normalGeometry().isEmpty()
                             ? FWindow->normalGeometry()
                             : FWindow->geometry();
    // Qt places minimised windows itself; the maximised position is the screen's corner.
    const QPoint maximizedAt = maximized ? FWindow->geometry().topLeft() : QPoint(-1, -1);

    file.WriteInteger(FSection, Keys::FormVersion, 0);
    file.WriteInteger(FSection, Keys::Flags, minimized && maximized ? RestoreToMaximized : 0);
    file.WriteInteger(FSection, Keys::ShowCmd,
                      minimized ? ShowMinimized : maximized ? ShowMaximized : ShowNormal);
    file.WriteInteger(FSection, Keys::PixelsPerInch, CurrentPixelsPerInch());
    file.WriteString(FSection, Keys::MinMaxPos, FormatRectText(-1, -1, maximizedAt.x(), maximizedAt.y()));
    file.WriteString(FSection, Keys::NormPos,
                     FormatRectText(normal.left(), normal.top(), normal.left() + normal.width(),
                                    normal.top() + normal.height()));
    file.WriteBool(FSection, Keys::Visible, FWindow->isVisible());
}

void TFormStorage::RestoreProperties(const TProfileFile& file) {
    for (const TStoredProperty& property : FProperties) {
        const QVariant current = property.Get();
        if (!current.isValid()) continue;
        const int type = current.typeId();
        if (type == QMetaType::Bool) {
            property.Set(file.ReadBool(FSection, property.Key, current.toBool()));
        } else if (IsIntegerType(type)) {
            const qlonglong value = current.toLongLong();
            const bool fits = value >= std::numeric_limits<std::int32_t>::min() &&
                              value <= std::numeric_limits<std::int32_t>::max();
            if (fits || file.ValueExists(FSection, property.Key))
                property.Set(file.ReadInteger(FSection, property.Key, std::int32_t(fits ? value : 0)));
        } else {
            const std::string text = current.toString().toStdString();
            property.Set(QString::fromStdString(file.ReadString(FSection, property.Key, text)));
        }
    }
}

void TFormStorage::SaveProperties(TProfileFile& file) const {
    for (const TStoredProperty& property : FProperties) {
        const QVariant value = property.Get();
        if (!value.isValid()) continue;
        const int type = value.typeId();
        if (type == QMetaType::Bool)
            file.WriteString(FSection, property.Key, value.toBool() ? "True" : "False");
        else if (IsIntegerType(type))
            file.WriteString(FSection, property.Key, std::to_string(value.toLongLong()));
        else
            file.WriteString(FSection, property.Key, value.toString().toStdString());
    }
}

int TFormStorage::CurrentPixelsPerInch() const {
    QScreen* screen = FWindow->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? int(std::lround(screen->logicalDotsPerInch())) : 96;
}

bool TFormStorage::FixedSize() const {
    return FWindow->minimumSize() == FWindow->maximumSize() ||
           FWindow->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint);
}

std::string FormatRectText(int a, int b, int c, int d) {
    return std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + "," +
           std::to_string(d);
}

bool ParseRectText(const std::string& text, int (&values)[4]) {
    std::string_view rest = text;
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = rest.find(',');
        if ((comma == std::string_view::npos) != (i == 3)) return false;
        std::int32_t value = 0;
        if (!TryStrToInt(Trimmed(rest.substr(0, comma)), value)) return false;
        values[i] = value;
        if (comma != std::string_view::npos) rest.remove_prefix(comma + 1);
    }
    return true;
}

QRect KeptOnScreens(const QRect& window, const std::vector<QRect>& screenAreas) {
    if (screenAreas.empty() || window.isEmpty()) return window;
    constexpr int Grip = 32;
    const QRect topBand(window.topLeft(), QSize(window.width(), std::min(Grip, window.height())));
    const int neededWidth = std::min(Grip, window.width());
    for (const QRect& area : screenAreas) {
        const QRect shown = area.intersected(topBand);
        if (shown.height() == topBand.height() && shown.width() >= neededWidth) return window;
    }
    const QRect& area = screenAreas.front();
    const int x = std::max(area.left(), std::min(window.left(), area.left() + area.width() - window.width()));
    const int y = std::max(area.top(), std::min(window.top(), area.top() + area.height() - window.height()));
    return QRect(QPoint(x, y), window.size());
}
