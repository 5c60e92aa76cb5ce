// Fixed English messages of the dBase table engine.
#pragma once

#define STRING_FILE_NOT_FOUND "Open: file not found: \"%s\"."
#define STRING_INVALID_DBF_FILE "Invalid DBF file."
#define STRING_INVALID_FIELD_TYPE "Invalid field type '%s' for field '%s'."
#define STRING_RECORD_LOCKED "Record locked."
#define STRING_NEED_EXCLUSIVE_ACCESS "Exclusive access is required for this operation."
#define STRING_INVALID_INDEX_TYPE "Invalid index type: can only be string or float."
#define STRING_TOO_MANY_INDEXES "Can not create index: too many indexes in file."
#define STRING_KEY_VIOLATION                                                                       \
    "Key violation. (Key already present in file).\r\nIndex: %s\r\nRecord=%d Key='%s'."
#define STRING_INDEX_BASED_ON_UNKNOWN_FIELD "Index based on unknown field \"%s\"."
#define STRING_INDEX_BASED_ON_INVALID_FIELD                                                        \
    "Field \"%s\" is an invalid field type to base index on."
#define STRING_INVALID_INDEX_FILE "Invalid index file: \"%s\"."
#define STRING_INVALID_MEMO_FILE "Invalid memo file: \"%s\"."
#define STRING_FIELD_VALUE_TOO_LONG "Value of field '%s' does not fit into %d characters."
#define STRING_INTEGER_OUT_OF_RANGE "Value of field '%s' is out of range."
#define STRING_FILE_IN_USE "Cannot open file \"%s\". The file is in use by another process."
#define STRING_CANNOT_OPEN "Cannot open file \"%s\". %s"
#define STRING_CANNOT_CREATE "Cannot create file \"%s\". %s"
