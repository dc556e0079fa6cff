#pragma once
// The operations that change the slide table of the open document (CurrentDocument()).

#include "document/EditorState.h"

#include <set>

/// Resets the document and the editing state; does not release pictures.
void NewDocument(EditorState& ed);
/// Releases the picture of every slide in use; the records keep their other fields.
void ReleaseAllPictures();
/// True while another slide fits; otherwise shows message Msg::TooManySlides when asked to.
bool CanAddSlide(bool showMessage);
/// The switch time of a new slide: the setting NewSlideSeconds (default 5), kept within 1 to
/// 64800 so that a setting edited by hand cannot give a time the show cannot use.
quint16 NewSlideSwitchTime();
/// Appends a slide with NewSlideSwitchTime() as its time. The caller checked
/// CanAddSlide and calls RecalcPages and marks the document modified afterwards.
void AddSlide(PicturePtr picture, KeyColor keyColor);
/// Inserts a slide at `index` (0 to the slide count; the count appends).
void InsertSlide(EditorState& ed, int index, const SlideRecord& rec);
/// Removes the slide at table index `index`.
void DeleteSlide(EditorState& ed, int index);
/// Removes the slides whose table indices are in `indices`, keeping the others' order.
void DeleteSlides(EditorState& ed, const std::set<int>& indices);
/// Moves slide `from` to position `to` (0 to the slide count): directly before the
/// slide that had index `to`, or last.
void MoveSlide(EditorState& ed, int from, int to);
/// Re-establishes the page count and the slides per page from the slide count.
void RecalcPages(EditorState& ed);
