#include "FormRegistry.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>

namespace platform {

Form::Form(QWidget* parent) : QWidget(parent) {}

Form::~Form() = default;

void Form::setDefaultButton(QPushButton* button) {
    m_defaultButton = button;
}

void Form::keyPressEvent(QKeyEvent* event) {
    // Enter presses the window's default button, wherever the focus is (text boxes pass Enter on).
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_defaultButton &&
        m_defaultButton->isVisibleTo(this) && m_defaultButton->isEnabled()) {
        event->accept();
        m_defaultButton->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form::closeEvent(QCloseEvent* event) {
    if (m_unloading || m_unloaded) {
        event->accept();
        return;
    }
    // The close box: the same path as an explicit unload, which may be cancelled.
    if (FormRegistry::instance().unload(this))
        event->accept();
    else
        event->ignore();
}

FormRegistry::FormRegistry() {
    m_onLastUnloaded = [] { QCoreApplication::quit(); };
}

FormRegistry& FormRegistry::instance() {
    static FormRegistry registry;
    return registry;
}

Form* FormRegistry::find(std::type_index type) const {
    for (const auto& entry : m_entries)
        if (entry.type == type)
            return entry.form;
    return nullptr;
}

Form* FormRegistry::load(std::type_index type, const std::function<Form*()>& create) {
    Form* form = create();
    m_entries.push_back({type, form});
    try {
        form->Form_Load();
    } catch (...) {
        // A window whose load failed is not loaded: forget it and let the caller handle the failure.
        form->m_unloaded = true;
        m_entries.erase(
            std::remove_if(m_entries.begin(), m_entries.end(), [form](const Entry& e) { return e.form == form; }),
            m_entries.end());
        delete form;
        throw;
    }
    return form;
}

void FormRegistry::showForm(Form* form) {
    if (!form || form->m_unloaded)
        return;
    form->show();
    form->raise();
    form->activateWindow();
}

bool FormRegistry::unload(Form* form) {
    if (!form || form->m_unloaded || form->m_unloading)
        return true;
    form->m_unloading = true;
    bool cancel = false;
    form->Form_Unload(cancel);
    form->m_unloading = false;
    if (cancel)
        return false;
    form->m_unloaded = true;
    m_entries.erase(
        std::remove_if(m_entries.begin(), m_entries.end(), [form](const Entry& e) { return e.form == form; }),
        m_entries.end());
    form->hide();
    // The unload may have been asked for from inside one of the window's own event procedures,
    // so the object itself goes away once control is back in the event loop.
    form->deleteLater();
    if (m_entries.empty() && m_onLastUnloaded)
        m_onLastUnloaded();
    return true;
}

int FormRegistry::loadedCount() const {
    return static_cast<int>(m_entries.size());
}

void FormRegistry::resetForTests() {
    auto entries = std::move(m_entries);
    m_entries.clear();
    for (auto& entry : entries) {
        entry.form->m_unloaded = true;
        delete entry.form;
    }
}

} // namespace platform
