// Every text the library writes to the installation log. "%s" is filled
// with the table name (before " Table") or with a key, path or name.
#pragma once

namespace desksetup::messages {

inline constexpr const char* kTableName = "SFDeskSetup";

inline constexpr const char* kNoDatabase = "Unable to get the Database Handle";
inline constexpr const char* kTableNotRead = "Error in populating the records from %s Table";
inline constexpr const char* kTableEmpty = "No Records have been retrieved from %s Table";
inline constexpr const char* kNoAppManager = "Unable to find the CE App Manager's location";
inline constexpr const char* kInstallFailed = "Error in processing the %s Table";
inline constexpr const char* kLaunchFailed = "Error in launching in the CE App Manager";
inline constexpr const char* kRemoveFailed = "Error in Uninstalling Device Files";
inline constexpr const char* kCleanupFailed = "Error in CE Object cleanup";

inline constexpr const char* kDirectoryDefaulted =
    "Directory Value of DirKey:%s is not valid. Defaulting to INSTALLDIR";
inline constexpr const char* kDirectoryNotCreated = "Unable to create Directory: %s";
inline constexpr const char* kIniNotWritten = "Error in extracting the ini file from %s Table Record with Key %s";
inline constexpr const char* kCabSpecInvalid = "Error in extracting the cab file from %s Table Record with Key %s";
inline constexpr const char* kCabNotWritten = "Error in extracting the Cab file from %s Table Record with Key %s";
inline constexpr const char* kIconSpecInvalid = "Error in extracting the ico file from %s Table Record with Key %s";
inline constexpr const char* kIconNotWritten = "Error in extracting the Ico file from %s Table Record with Key %s";
inline constexpr const char* kBinaryRowMissing = "Error in Extracting Binary Table Record with Key %s";
inline constexpr const char* kBinaryReadFailed = "Error in Reading the Binary Table Record Data with Key %s";

inline constexpr const char* kNoDirectoryForDelete =
    "Error in getting the Value of the Directory: %s. Unable to Delete the Installation Files for";
inline constexpr const char* kNoDirectoryForCleanup =
    "Error in getting the Value of the Directory: %s. Unable to Delete the desktop directory";
inline constexpr const char* kIniNameInvalidForDelete =
    "Error in extracting the ini file info from %s Table Record with Key %s";
inline constexpr const char* kCabSpecInvalidForDelete =
    "Error in extracting the cab file info from %s Table Record with Key %s";
inline constexpr const char* kIconSpecInvalidForDelete =
    "Error in extracting the ico file info from %s Table Record with Key %s";

inline constexpr const char* kUnexpectedFailure = "Unexpected failure: %s";

}  // namespace desksetup::messages
