// The notebook's pages as the shell and the playback session name them.
#pragma once

// In tab order: the value is the page's number in the notebook.
enum class PageId {
    Phrases,
    Words,
    Advanced,
};
