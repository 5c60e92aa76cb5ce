// Connection, creation, transactions and errors of the database component.
#include "SqlTestSupport.h"

#include <QFile>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <string>

TEST_F(SqlTest, CreateDatabaseWithApplicationClausesAttachesAndHasPageSizeAndCharset) {
    db->GetParams()->AddStrings(CreateLines());
    db->CreateDatabase();
    EXPECT_TRUE(db->GetConnected());
    EXPECT_EQ(db->GetSQLDialect(), 3);
    EXPECT_EQ(db->GetDBSQLDialect(), 3);
    EXPECT_EQ(Scalar("select mon$page_size from mon$database").AsInteger(), 4096);
    EXPECT_EQ(Scalar("select trim(rdb$character_set_name) from rdb$database").AsString(),
              QStringLiteral("WIN1251"));
    db->Close();
    EXPECT_FALSE(db->GetConnected());
    EXPECT_TRUE(QFile::exists(DbPath()));
}

// Once a database is attached, a bare Unicode library name missing from the folder of the
// process's own Unicode library fails at once with the loader's message for that folder's
// path; the library itself, other libraries and other missing names go to the loader as
// before; and the engine's Unicode collations still work (it found its library).
TEST_F(SqlTest, EngineUnicodeLibrarySearchIsAnsweredFromTheLoadedLibrarysFolder) {
    CreateAndConnect();
    EXPECT_EQ(Scalar("select case when cast('ґалина' as varchar(10) character set utf8) "
                     "collate unicode_ci = 'ҐАЛИНА' then 1 else 0 end from rdb$database")
                  .AsInteger(),
              1);
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer runtime owns the loader entry";
#else
    std::string loaded;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            const char* base = info->dlpi_name ? std::strrchr(info->dlpi_name, '/') : nullptr;
            if (!base || std::strncmp(base + 1, "libicuuc.so.", 12) != 0) return 0;
            *static_cast<std::string*>(data) = info->dlpi_name;
            return 1;
        },
        &loaded);
    if (loaded.empty()) GTEST_SKIP() << "no Unicode library in this process";
    const std::string folder = loaded.substr(0, loaded.rfind('/') + 1);
    const std::string bare = loaded.substr(folder.size());

    struct Case {
        std::string name;
        bool loads;
        bool answeredFromFolder;
    };
    const Case cases[] = {
        {"libicuuc.so.4", false, true},
        {"libicui18n.so.719", false, true},
        {bare, true, false},
        {"libm.so.6", true, false},
        {"libkadrion_absent.so.1", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dlerror();
        void* h = dlopen(c.name.c_str(), RTLD_NOW);
        EXPECT_EQ(h != nullptr, c.loads);
        if (h) {
            dlclose(h);
            continue;
        }
        const char* message = dlerror();
        ASSERT_NE(message, nullptr);
        EXPECT_NE(std::string(message).find(c.name), std::string::npos) << message;
        EXPECT_EQ(std::string(message).rfind(folder + c.name, 0) == 0, c.answeredFromFolder)
            << message;
    }
#endif
}
