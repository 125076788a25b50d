kova_sources(WIN32 load_chunk.cpp copy_engine.cpp copy_page.cpp progress_accessible.cpp)
