kova_sources(
  WIN32
    paths.cpp
    destination.cpp
    welcome.cpp
    replace.cpp
    completion.cpp
)
