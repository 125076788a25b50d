kova_sources(
  CORE
    progman.cpp
  WIN32
    registry.cpp
    dde_client.cpp
)
