#include "ui/settings/SettingsNameField.h"

#include "model/CompanionAppModel.h"
#include "ui/components/CompanionPalette.h"

#include <QFocusEvent>
#include <QKeyEvent>

SettingsNameField::SettingsNameField(CompanionAppModel& model, QWidget* parent)
    : QLineEdit(parent), m_model(model) {
    setAccessibleName(tr("Companion name"));
    setClearButtonEnabled(false);
    showDraft();
    liftOutline();
    connect(&m_model, &CompanionAppModel::displayNameDraftChanged, this, &SettingsNameField::showDraft);
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        // Typing again after a save or Escape is a new edit.
        m_model.beginEditingDisplayName();
        m_model.setDisplayNameDraft(text);
    });
}

void SettingsNameField::showDraft() {
    if (text() != m_model.displayNameDraft()) {
        setText(m_model.displayNameDraft());
    }
}

void SettingsNameField::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if ((event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) && !m_lifting) {
        liftOutline();
    }
}

void SettingsNameField::liftOutline() {
    // The field sits on an inset panel of its own fill colour; styles outline
    // it a shade darker than the window, which vanishes on a dark one. A lighter
    // window shade keeps the outline visible there.
    const QPalette source = parentWidget() ? parentWidget()->palette() : palette();
    QPalette own = palette();
    own.setColor(QPalette::Window, CompanionPalette::isDark(source) ? CompanionPalette::secondaryText(source)
                                                                    : source.color(QPalette::Window));
    m_lifting = true;
    setPalette(own);
    m_lifting = false;
}

void SettingsNameField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    m_model.beginEditingDisplayName();
}

void SettingsNameField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // The field's own context menu takes focus only for a moment.
    if (event->reason() != Qt::PopupFocusReason) {
        m_model.endEditingDisplayName();
    }
}

void SettingsNameField::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && m_model.isEditingDisplayName()) {
        m_model.cancelEditingDisplayName();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
