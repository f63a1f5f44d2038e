#pragma once

#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <typeindex>

namespace platform {

class FormRegistry;

// Base of the program's four windows. A window is "loaded" from the moment it is created through the
// registry until it is unloaded; loading runs Form_Load once, and every way of closing it (the close box,
// an explicit unload) runs Form_Unload first, which may cancel.
class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);
    ~Form() override;

    // Called once, right after construction, before the window is shown.
    virtual void Form_Load() {}
    // Called before the window goes away. Set cancel to true to keep it loaded.
    virtual void Form_Unload(bool& cancel) { (void)cancel; }

    bool isUnloading() const { return m_unloading; }

    // The button that Enter presses (a window of its own has no dialog to do it).
    void setDefaultButton(QPushButton* button);
    QPushButton* defaultButton() const { return m_defaultButton; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class FormRegistry;
    QPointer<QPushButton> m_defaultButton;
    bool m_unloading = false;
    bool m_unloaded = false;
};

// One instance per window class; calling a window loads it without showing it; the program ends when the
// last loaded window has unloaded.
class FormRegistry {
public:
    static FormRegistry& instance();

    // The loaded instance of F, loading it (constructor, then Form_Load) when there is none.
    template <class F> F* get() {
        if (auto* existing = find(typeid(F)))
            return static_cast<F*>(existing);
        return static_cast<F*>(load(typeid(F), [] { return new F(); }));
    }
    template <class F> F* loaded() const { return static_cast<F*>(find(typeid(F))); }
    template <class F> bool isLoaded() const { return find(typeid(F)) != nullptr; }

    // Loads F if needed and shows it (not modal). Returns the instance.
    template <class F> F* show() {
        F* form = get<F>();
        showForm(form);
        return form;
    }

    // Runs the window's unload handler; unless it cancels, hides and destroys the window.
    // Returns false when the handler cancelled.
    bool unload(Form* form);
    template <class F> bool unload() {
        if (auto* existing = find(typeid(F)))
            return unload(existing);
        return true;
    }

    int loadedCount() const;

    // What happens when the last loaded window unloads. The default quits the application's event loop.
    void setOnLastUnloaded(std::function<void()> handler) { m_onLastUnloaded = std::move(handler); }

    // Tests: unload every window without running handlers and destroy them at once.
    void resetForTests();

    void showForm(Form* form);

private:
    FormRegistry();
    Form* find(std::type_index type) const;
    Form* load(std::type_index type, const std::function<Form*()>& create);

    struct Entry {
        std::type_index type;
        Form* form;
    };
    std::vector<Entry> m_entries;
    std::function<void()> m_onLastUnloaded;
};

inline FormRegistry& forms() {
    return FormRegistry::instance();
}

} // namespace platform
