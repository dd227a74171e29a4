#pragma once
// The Qt widgets behind each of Form1's controls. Setting them from the logic raises nothing; the
// user's input on them goes to the control's user* call.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QStringListModel>
#include <functional>

#include "app/Window.h"
#include "app/controls/FileList.h"

namespace vorrindel::app::qt {

// A drop-down list the user cannot type into (the type and the drive lists). A choice goes to
// `chosen`, the wheel over the closed box to `wheeled` (in 120ths of a notch, positive away from
// the user).
class ChoiceBox : public QComboBox, public ListView {
public:
    explicit ChoiceBox(QWidget* parent);
    void setEntries(const std::vector<std::string>& texts, const std::vector<int>& levels) override;
    void setSelected(int row) override;
    std::function<void(int)> chosen;
    std::function<void(int)> wheeled;

protected:
    void wheelEvent(QWheelEvent* event) override;
};

// The folders from the root down, indented by depth, then the selected folder's sub-folders.
class FolderBox : public QListWidget, public ListView {
public:
    explicit FolderBox(QWidget* parent);
    void setEntries(const std::vector<std::string>& texts, const std::vector<int>& levels) override;
    void setSelected(int row) override;
    std::function<void(int)> opened;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setIcons();
    int selected_ = -1;
    const QIcon openIcon_, closedIcon_;
};

// The files: a click on a row, and each move with the keyboard, go to the logic, which decides
// what is selected.
class FileBox : public QListView, public ListView {
public:
    explicit FileBox(QWidget* parent);
    void setEntries(const std::vector<std::string>& texts, const std::vector<int>& levels) override;
    void setSelected(int row) override;
    std::function<void(int)> clicked;
    std::function<void(Move, int)> moved;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int rowsInView() const;
    QStringListModel model_;
};

class CheckBox : public QCheckBox, public CheckView {
public:
    CheckBox(const QString& caption, QWidget* parent);
    void setValue(int value) override;
    std::function<void()> toggled;

protected:
    void nextCheckState() override;
};

// One line; a long report is cut with an ellipsis and shown whole as the tool tip.
class NoticeLine : public QLabel, public TextView {
public:
    explicit NoticeLine(QWidget* parent);
    void setText(const std::string& text) override;
};

}  // namespace vorrindel::app::qt
