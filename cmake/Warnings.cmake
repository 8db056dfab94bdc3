# One interface target carries the warnings and the strict Qt defines; every
# target of the project links it.
add_library(qel_warnings INTERFACE)
target_compile_options(qel_warnings INTERFACE -Wall -Wextra -Wpedantic)
# g++ 12 does not know that a class's destroying operator delete (catalogue items,
# which may live in an arena) pairs with the global operator new, and warns wherever an
# item's deletion is inlined in an optimised build.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(qel_warnings INTERFACE -Wno-mismatched-new-delete)
endif()
if(QEL_WERROR)
  target_compile_options(qel_warnings INTERFACE -Werror)
endif()
target_compile_definitions(qel_warnings INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QEL_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  QEL_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  QEL_VERSION_PATCH=${PROJECT_VERSION_PATCH})

if(QEL_SANITIZE)
  target_compile_options(qel_warnings INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(qel_warnings INTERFACE -fsanitize=address,undefined)
endif()
