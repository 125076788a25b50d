kova_sources(
  WIN32
    leave_page.cpp
    user_step.cpp
    finishing.cpp
    library_environment.cpp
)
