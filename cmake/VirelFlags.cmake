# One place for the compile flags every target of ours carries.
add_library(virel_flags INTERFACE)
target_compile_features(virel_flags INTERFACE cxx_std_20)
target_compile_options(virel_flags INTERFACE -Wall -Wextra -Wpedantic -Wnon-virtual-dtor)
target_compile_definitions(virel_flags INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CONTEXTLESS_CONNECT
  QT_NO_URL_CAST_FROM_STRING
  QT_USE_QSTRINGBUILDER)
if(VIREL_WERROR)
  target_compile_options(virel_flags INTERFACE -Werror)
endif()
if(VIREL_SANITIZE)
  target_compile_options(virel_flags INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(virel_flags INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
