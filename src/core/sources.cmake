# The platform-free core: no windows.h, built into both trees (the host
# tools and native tests use it, and the fuzzers).
kova_sources(
  CORE
    text_format.cpp
    file_exists.cpp
    file_folder.cpp
    navigation.cpp
    descriptor.cpp
    command_line.cpp
    product_tables.cpp
    registry_names.cpp
    space.cpp
    installed_size.cpp
    path_join.cpp
    crc.cpp
    compressed_name.cpp
    szdd.cpp
    progman.cpp
    registry_text.cpp
    server_config.cpp
    pending_ops.cpp
    scale.cpp
    panel_picture.cpp
)
