#include <Pelk_ProgressIndicator.hxx>

#include <algorithm>

IMPLEMENT_STANDARD_RTTIEXT(Pelk_ProgressIndicator, Message_ProgressIndicator)

namespace
{
// Below this width a scale or a remaining span counts as empty.
const double THE_SCALE_EPSILON = 1e-10;
} // namespace

Pelk_ProgressIndicator::Pelk_ProgressIndicator()
    : myPos(0.0),
      myBreak(false)
{
  ResetScopes();
}

double Pelk_ProgressIndicator::toGlobal(const Scale& theScale, double theValue)
{
  if (theValue <= theScale.Min)
  {
    return theScale.First;
  }
  if (theScale.Max - theScale.Min <= THE_SCALE_EPSILON || theValue >= theScale.Max)
  {
    return theScale.Last;
  }
  return theScale.First +
         (theScale.Last - theScale.First) * (theValue - theScale.Min) / (theScale.Max - theScale.Min);
}

double Pelk_ProgressIndicator::toLocal(const Scale& theScale, double thePos)
{
  if (theScale.Last - thePos <= THE_SCALE_EPSILON)
  {
    return theScale.Max;
  }
  return theScale.Min +
         (theScale.Max - theScale.Min) * (thePos - theScale.First) / (theScale.Last - theScale.First);
}

bool Pelk_ProgressIndicator::NewScope(double theSpan, const TCollection_AsciiString& theName)
{
  const Scale& aParent = myScopes.Value(1);
  Scale        aScope;
  aScope.Name  = theName;
  aScope.First = GetPos();
  aScope.Last  = toGlobal(aParent, GetValue() + theSpan);
  myScopes.Prepend(aScope);
  return GetPos() < 1.0;
}

void Pelk_ProgressIndicator::SetScale(double theMin, double theMax, double theStep)
{
  Scale& aScope = myScopes.ChangeValue(1);
  aScope.Min    = theMin;
  aScope.Max    = theMax;
  aScope.Step   = theStep;
}

double Pelk_ProgressIndicator::Step() const
{
  return myScopes.Value(1).Step;
}

void Pelk_ProgressIndicator::Increment()
{
  const Scale& aScope = myScopes.Value(1);
  const double aNext  = toGlobal(aScope, GetValue() + aScope.Step);
  if (GetPos() < aNext)
  {
    myPos.store(std::min(aNext, 1.0), std::memory_order_relaxed);
  }
}

bool Pelk_ProgressIndicator::EndScope()
{
  const double anEnd   = myScopes.Value(1).Last;
  const bool   isInner = myScopes.Length() > 1;
  if (isInner)
  {
    myScopes.Remove(1);
  }
  myPos.store(anEnd, std::memory_order_relaxed);
  return isInner;
}

double Pelk_ProgressIndicator::GetValue() const
{
  return toLocal(myScopes.Value(1), GetPos());
}

const TCollection_AsciiString& Pelk_ProgressIndicator::ScopeName() const
{
  return myScopes.Value(1).Name;
}

void Pelk_ProgressIndicator::ResetScopes()
{
  myPos.store(0.0, std::memory_order_relaxed);
  myScopes.Clear();
  myScopes.Append(Scale());
  SetScale(0.0, 1.0, 1.0);
}

void Pelk_ProgressIndicator::Show(const Message_ProgressScope&, const Standard_Boolean) {}
