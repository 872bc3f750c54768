// api.h - marks what the shared library exports. The library is compiled with
// hidden visibility, so anything a program may name and is not marked stays inside.
#pragma once

#define KARVO_API __attribute__((visibility("default")))
