#pragma once

#include <QString>
#include <QStringList>

// The office listens on two local sockets in the system's temporary folder:
// the pipe a session connects through, and the one by which a second office
// on the same profile finds the first. It leaves both behind when it ends,
// so a session removes them after its office.
namespace OfficeSockets {

// The name the office gives the second one: a hash of its profile's URL.
QString profilePipeName(const QString &profileUrl);

// Where the office puts a pipe named `name`, in the folders it may choose.
QStringList socketPaths(const QString &name);

// Removes the sockets of those names that are there and ours.
void remove(const QStringList &names);

} // namespace OfficeSockets
