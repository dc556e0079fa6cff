#pragma once
// The main window as the editor tests open it.

#include "dialogs/ModalRunner.h"
#include "editor/ui/EditorWindow.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

/// The editor after its opening sequence, 1440 x 810, shown and active (a shown window
/// gets no resize event at every grab, each of which would ask for the cell images to
/// be rebuilt; an active one takes the command keys). Null when the opening failed.
inline std::unique_ptr<EditorWindow> OpenTestEditor() {
    auto editor = std::make_unique<EditorWindow>();
    if (!editor->Initialize())
        return nullptr;
    editor->resize(1440, 810);
    editor->show();
    editor->activateWindow();
    if (!QTest::qWaitForWindowActive(editor.get()))
        return nullptr;
    return editor;
}

/// A test of the opened editor with scripted prompts and an empty clipboard; the
/// document, the settings and the dialog runner are reset around it.
class EditorTest : public ::testing::Test {
public:
    void SetUp() override {
        ResetWorld();
        QGuiApplication::clipboard()->clear();
        prompts = std::make_unique<TestPrompts>();
        editor = OpenTestEditor();
        ASSERT_TRUE(editor);
    }
    void TearDown() override {
        SetModalRunner({});
        editor.reset();
        prompts.reset();
        QGuiApplication::clipboard()->clear();
        ResetWorld();
    }

    std::unique_ptr<TestPrompts> prompts;
    std::unique_ptr<EditorWindow> editor;
};
