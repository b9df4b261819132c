// Creating the control by name and the registration entry points of the library.
#include "nimbrel/Nimbrel.h"

#include "TrayTestUtil.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>
#include <memory>

using namespace nimbrel;

TEST(NimbrelEntryPoints, CreatesTheControlByItsNameOnly)
{
    QObject parent;
    QObject *created = NimbrelCreateControl("Nimbrel.TaskBarIcon", &parent);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->parent(), &parent);
    auto *icon = qobject_cast<TaskBarIcon *>(created);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->ToolTipText(), QStringLiteral("---"));
    EXPECT_TRUE(icon->Icon().isNull());
    EXPECT_FALSE(icon->IsShowed());
    EXPECT_EQ(icon->property("ToolTipText").toString(), QStringLiteral("---"));

    for (const char *name : {"Nimbrel.Other", "nimbrel.taskbaricon", "Nimbrel.TaskBarIcon ", "", static_cast<const char *>(nullptr)})
        EXPECT_EQ(NimbrelCreateControl(name, &parent), nullptr) << (name ? name : "(null)");

    std::unique_ptr<TaskBarIcon> helper(CreateTaskBarIcon(nullptr));
    EXPECT_NE(helper, nullptr);
    EXPECT_EQ(CreateControl("TaskBarIcon", nullptr), nullptr);
}

TEST(NimbrelEntryPoints, ClassObjectAndRegistration)
{
    // The host finds the control without any registration: registering writes nothing in the
    // user's folders (empty ones given for the test), and after unregistering the control is
    // still created by its name.
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const char *const variables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"};
    QList<QByteArray> saved;
    for (const char *variable : variables) {
        saved << qgetenv(variable);
        QDir(home.path()).mkdir(QLatin1String(variable));
        qputenv(variable, home.filePath(QLatin1String(variable)).toLocal8Bit());
    }
    const auto written = [&] {
        QStringList files;
        QDirIterator it(home.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    };
    EXPECT_EQ(DllRegisterServer(), NIMBREL_S_OK);
    EXPECT_EQ(written(), QStringList());
    EXPECT_EQ(DllUnregisterServer(), NIMBREL_S_OK);
    EXPECT_EQ(written(), QStringList());
    for (int i = 0; i < saved.size(); ++i)
        qputenv(variables[i], saved[i]);
    std::unique_ptr<QObject> byName(NimbrelCreateControl("Nimbrel.TaskBarIcon", nullptr));
    EXPECT_NE(qobject_cast<TaskBarIcon *>(byName.get()), nullptr);

    const NimbrelClassFactory *factory = nullptr;
    ASSERT_EQ(DllGetClassObject("Nimbrel.TaskBarIcon", &factory), NIMBREL_S_OK);
    ASSERT_NE(factory, nullptr);
    std::unique_ptr<QObject> created(factory->CreateInstance(nullptr));
    EXPECT_NE(qobject_cast<TaskBarIcon *>(created.get()), nullptr);

    EXPECT_EQ(DllGetClassObject("Nimbrel.Other", &factory), NIMBREL_CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(factory, nullptr);
    EXPECT_EQ(DllGetClassObject(nullptr, &factory), NIMBREL_CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(DllGetClassObject("Nimbrel.TaskBarIcon", nullptr), NIMBREL_E_POINTER);
}

TEST(NimbrelEntryPoints, CanUnloadOnlyWithoutLiveControls)
{
    EXPECT_EQ(DllCanUnloadNow(), NIMBREL_S_OK);
    {
        auto *parent = new QObject;
        NimbrelCreateControl("Nimbrel.TaskBarIcon", parent);
        traytest::FakeControl direct;
        EXPECT_EQ(DllCanUnloadNow(), NIMBREL_S_FALSE);
        delete parent;
        EXPECT_EQ(DllCanUnloadNow(), NIMBREL_S_FALSE);
    }
    EXPECT_EQ(DllCanUnloadNow(), NIMBREL_S_OK);
}
