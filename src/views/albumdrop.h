#pragma once

#include "model/fields.h"

class TAlbum;
class TDisc;
class TLookupItem;
class TQel;

// What may be dropped where in the main window: an album onto a folder of the
// grouped view (it then takes the folder's entry as its group value) and a disc onto
// another album (it becomes that album's last disc). Kept apart from the widgets so
// the rules and their effect are tested directly.
namespace AlbumDrop {

// Whether object may be dragged at all: an album or a disc.
bool CanDrag(const TQel *object);

// groupField: the current view's group field, fdNone when the view has no folders.
// target: a folder's lookup entry or an album.
bool CanDrop(const TQel *dragged, const TQel *target, TFieldId groupField);

// An album takes the folder's entry as its value of the group field.
void MoveAlbumToFolder(TAlbum *album, TLookupItem *folder, TFieldId groupField);

// The disc leaves its album and becomes the target's last disc; the source's other
// discs keep their numbers.
void MoveDiscToAlbum(TDisc *disc, TAlbum *target);

} // namespace AlbumDrop
