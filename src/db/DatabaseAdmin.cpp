#include "db/DatabaseAdmin.h"

#include "db/FbRef.h"
#include "platform/FileSystem.h"

#include <exception>

using namespace Firebird;

namespace DatabaseAdmin {

namespace {

// The client objects one call needs.
struct Session {
    IMaster* master = fb_get_master_interface();
    IUtil* util = master->getUtilInterface();
    FbRef<IProvider> provider{master->getDispatcher()};
    FbDisposable<IStatus> statusObject{master->getStatus()};
    ThrowStatusWrapper status{statusObject.get()};

    IXpbBuilder* userDpb(const std::string& user, const std::string& password) {
        IXpbBuilder* dpb = util->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
        try {
            dpb->insertString(&status, isc_dpb_user_name, user.c_str());
            dpb->insertString(&status, isc_dpb_password, password.c_str());
        } catch (...) {
            dpb->dispose();
            throw;
        }
        return dpb;
    }

    bool fail(const std::string& text, std::string* error) {
        if (error)
            *error = text;
        return false;
    }
};

// Runs body with a fresh session; any client library error becomes false and
// the status text in error.
template <typename Body> bool run(std::string* error, Body body) {
    Session session;
    try {
        body(session);
        if (error)
            error->clear();
        return true;
    } catch (const FbException& e) {
        return session.fail(FbStatusText(session.util, e.getStatus()), error);
    } catch (const std::exception& e) {
        return session.fail(e.what(), error);
    }
}

} // namespace

bool CreateDatabase(const std::string& connectionString, const std::string& user, const std::string& password,
                    std::string* error) {
    return run(error, [&](Session& session) {
        FbDisposable<IXpbBuilder> dpb(session.userDpb(user, password));
        dpb->insertInt(&session.status, isc_dpb_sql_dialect, 3);
        dpb->insertString(&session.status, isc_dpb_set_db_charset, "NONE");
        FbRef<IAttachment> attachment(session.provider->createDatabase(
            &session.status, connectionString.c_str(), dpb->getBufferLength(&session.status),
            dpb->getBuffer(&session.status)));
        attachment->detach(&session.status);
        attachment.forget();
    });
}

bool DropDatabase(const std::string& connectionString, const std::string& user, const std::string& password,
                  std::string* error) {
    return run(error, [&](Session& session) {
        FbDisposable<IXpbBuilder> dpb(session.userDpb(user, password));
        FbRef<IAttachment> attachment(session.provider->attachDatabase(
            &session.status, connectionString.c_str(), dpb->getBufferLength(&session.status),
            dpb->getBuffer(&session.status)));
        attachment->dropDatabase(&session.status);
        attachment.forget();
    });
}

int MakeDatabaseFolder(const std::string& path) {
    return Platform::makeFolderFor(path, "firebird");
}

} // namespace DatabaseAdmin
