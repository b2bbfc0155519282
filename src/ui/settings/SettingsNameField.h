#pragma once

#include <QLineEdit>

class CompanionAppModel;

// The companion name field. While it has focus the model keeps refreshes from
// overwriting what is typed; losing focus ends the edit and Escape abandons it.
class SettingsNameField : public QLineEdit {
    Q_OBJECT
public:
    explicit SettingsNameField(CompanionAppModel& model, QWidget* parent = nullptr);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showDraft();
    void liftOutline();

    CompanionAppModel& m_model;
    bool m_lifting = false;
};
