target_link_libraries(pruh PRIVATE kanvo_pdf)
