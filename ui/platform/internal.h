// Shared state of the platform layer's Qt implementation. Only the files of
// ui/platform/ include this header.
#pragma once

#include "ui/platform/platform.h"

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QString>

#include <map>
#include <string>

class QButtonGroup;
class QAbstractItemView;

namespace zarvon::platform::detail {

inline QString qs(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }
inline std::string ss(const QString& text) { return text.toUtf8().toStdString(); }
// Captions where "&" would otherwise mark a mnemonic.
inline QString caption(const std::string& text) { return qs(text).replace(QLatin1Char('&'), QStringLiteral("&&")); }

enum class Kind {
    Button, ButtonImage, String, Text, CheckBox, Option, Combo, Frame, Panel, Container,
    Progress, ListIcon, Image, HyperLink, Splitter, ExplorerList, ExplorerCombo
};

struct Anchors {
    bool active = false;
    bool left = true, top = true, right = false, bottom = false;
    QRect base;        // geometry when anchored
    QSize parentBase;  // the window's size when anchored
};

struct Gadget {
    QPointer<QWidget> widget;
    Kind kind = Kind::Text;
    int window = -1;
    Anchors anchors;
};

// The window of a number: a main window whose content area ("canvas") holds
// the controls at their pixel positions. Its close box becomes a CloseWindow
// event; the window stays open until the program closes it.
class PlatformWindow : public QMainWindow {
public:
    PlatformWindow(int number, QWidget* parent);
    int number() const { return number_; }
    QWidget* canvas() const { return canvas_; }
    bool closingByProgram = false;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int number_;
    QWidget* canvas_;
};

// Registry access shared between the implementation files.
std::map<int, Gadget>& gadgets();
Gadget* findGadget(int id);
PlatformWindow* findWindow(int window);
// Registers a new control under `id` (or a handed-out number) in the current
// gadget list; returns the number.
int registerGadget(int id, Kind kind, QWidget* widget, int x, int y, int width, int height);
QWidget* currentGadgetParent();
int currentGadgetWindow();
int handOutNumber();
// Queues an event unless the layer itself is changing the control.
void queueEvent(const UiEvent& event);
void queueControlEvent(int window, int source, EventSubtype subtype);
bool eventsSuppressed();
// While alive, changes made by the program raise no events.
struct Quiet {
    Quiet();
    ~Quiet();
};
// Moves the anchored controls of the window after its size changed. Anchors
// follow the window's size, not their parent's, so that adding or removing
// the menu bar or status bar never moves a control by itself.
void applyAnchors(PlatformWindow* window);
QPixmap imagePixmap(int image);
void registerDragSource(QAbstractItemView* view, int id);

// Explorer list and combo (explorer.cpp).
QWidget* createExplorerList(int id, const QString& folder, unsigned flags);
QWidget* createExplorerCombo(const QString& folder);
QString explorerFolder(QWidget* explorer);
void setExplorerFolder(QWidget* explorer, const QString& folder);
int explorerCount(QWidget* explorer);
QString explorerItemText(QWidget* explorer, int item, int column);
int explorerItemState(QWidget* explorer, int item);
void setExplorerItemState(QWidget* explorer, int item, int state);
int explorerCurrent(QWidget* explorer);
void setExplorerCurrent(QWidget* explorer, int item);
void setExplorerMode(QWidget* explorer, ExplorerDisplay mode);
ExplorerDisplay explorerMode(QWidget* explorer);
void setExplorerColumnWidth(QWidget* explorer, int column, int width);
int explorerColumnWidth(QWidget* explorer, int column);
QString explorerComboFolder(QWidget* combo);
void setExplorerComboFolder(QWidget* combo, const QString& folder);

// Pictures (pictures.cpp).
QPixmap drawPicture(Picture picture);

// Requesters reset (requesters.cpp).
void resetRequesters();

}  // namespace zarvon::platform::detail
